#include "tokens.h"

namespace testserver::tds {

namespace {
// Latin1_General, case-insensitive, the default collation of the played server.
constexpr uint8_t kCollation[5] = {0x09, 0x04, 0xD0, 0x00, 0x34};
constexpr uint8_t kNumericBytes = 13;  // sign byte and 12 bytes of magnitude

void WriteCollation(ByteWriter& out) {
  for (uint8_t b : kCollation) {
    out.U8(b);
  }
}
}  // namespace

void TokenWriter::Message(const ServerMessage& message) {
  m_out.U8(message.IsError() ? 0xAA : 0xAB);
  size_t lengthAt = m_out.Size();
  m_out.U16(0);
  m_out.U32(static_cast<uint32_t>(message.number));
  m_out.U8(message.state);
  m_out.U8(message.severity);
  m_out.UsVarChar(message.text);
  m_out.BVarChar(m_serverName);
  m_out.BVarChar("");
  if (HasTds72Formats(m_version)) {
    m_out.U32(1);  // line number
  } else {
    m_out.U16(1);
  }
  m_out.PatchU16(lengthAt, static_cast<uint16_t>(m_out.Size() - lengthAt - 2));
}

void TokenWriter::EnvChange(uint8_t type, std::string_view newValue, std::string_view oldValue) {
  m_out.U8(0xE3);
  size_t lengthAt = m_out.Size();
  m_out.U16(0);
  m_out.U8(type);
  m_out.BVarChar(newValue);
  m_out.BVarChar(oldValue);
  m_out.PatchU16(lengthAt, static_cast<uint16_t>(m_out.Size() - lengthAt - 2));
}

void TokenWriter::CollationEnvChange() {
  m_out.U8(0xE3);
  m_out.U16(8);
  m_out.U8(7);
  m_out.U8(5);
  WriteCollation(m_out);
  m_out.U8(0);
}

void TokenWriter::LoginAck(std::string_view programName, const ProductVersion& product) {
  m_out.U8(0xAD);
  size_t lengthAt = m_out.Size();
  m_out.U16(0);
  m_out.U8(1);  // SQL interface
  // TDS version big-endian as the protocol writes it here.
  const uint32_t tdsVersion = VersionInfo(m_version).loginAck;
  m_out.U8(tdsVersion >> 24);
  m_out.U8((tdsVersion >> 16) & 0xFF);
  m_out.U8((tdsVersion >> 8) & 0xFF);
  m_out.U8(tdsVersion & 0xFF);
  m_out.BVarChar(programName);
  m_out.U8(product.major);
  m_out.U8(product.minor);
  m_out.U8(product.build >> 8);
  m_out.U8(product.build & 0xFF);
  m_out.PatchU16(lengthAt, static_cast<uint16_t>(m_out.Size() - lengthAt - 2));
}

void TokenWriter::ColumnMetadata(const std::vector<Column>& columns) {
  m_out.U8(0x81);
  m_out.U16(static_cast<uint16_t>(columns.size()));
  for (const Column& column : columns) {
    if (HasTds72Formats(m_version)) {
      m_out.U32(0);  // user type
    } else {
      m_out.U16(0);
    }
    m_out.U16(column.nullable ? 0x0001 : 0x0000);
    switch (column.type) {
      case ColumnType::Int:
        m_out.U8(0x26);  // INTN
        m_out.U8(4);
        break;
      case ColumnType::Numeric:
        m_out.U8(0x6C);  // NUMERICN, precision 20, scale 0
        m_out.U8(kNumericBytes);
        m_out.U8(20);
        m_out.U8(0);
        break;
      case ColumnType::NVarChar:
      case ColumnType::NChar:
        m_out.U8(column.type == ColumnType::NChar ? 0xEF : 0xE7);
        m_out.U16(static_cast<uint16_t>(column.length * 2));
        WriteCollation(m_out);
        break;
    }
    m_out.BVarChar(column.name);
  }
}

void TokenWriter::RowToken(const std::vector<Column>& columns, const Row& row) {
  m_out.U8(0xD1);
  for (size_t i = 0; i < columns.size(); ++i) {
    const Cell& cell = i < row.size() ? row[i] : Cell{};
    if (columns[i].type == ColumnType::Int || columns[i].type == ColumnType::Numeric) {
      if (!cell) {
        m_out.U8(0);
        continue;
      }
      int64_t value = std::get<int64_t>(*cell);
      if (columns[i].type == ColumnType::Int) {
        m_out.U8(4);
        m_out.U32(static_cast<uint32_t>(value));
        continue;
      }
      m_out.U8(kNumericBytes);
      m_out.U8(value < 0 ? 0 : 1);
      m_out.U64(static_cast<uint64_t>(value < 0 ? -value : value));
      m_out.U32(0);
      continue;
    }
    if (!cell) {
      m_out.U16(0xFFFF);
      continue;
    }
    std::u16string text = Utf8ToUtf16(std::get<std::string>(*cell));
    if (text.size() > columns[i].length) {
      text.resize(columns[i].length);
    }
    if (columns[i].type == ColumnType::NChar) {
      text.resize(columns[i].length, u' ');
    }
    m_out.U16(static_cast<uint16_t>(text.size() * 2));
    m_out.Ucs2(text);
  }
}

void TokenWriter::ReturnStatus(int32_t status) {
  m_out.U8(0x79);
  m_out.U32(static_cast<uint32_t>(status));
}

void TokenWriter::DoneToken(uint8_t token, uint16_t status, uint64_t rowCount) {
  m_out.U8(token);
  m_out.U16(status);
  m_out.U16(0xC1);  // current command: not looked at by clients
  if (HasTds72Formats(m_version)) {
    m_out.U64(rowCount);
  } else {
    m_out.U32(static_cast<uint32_t>(rowCount));
  }
}

void WriteStatementResult(TokenWriter& writer, const StatementResult& result, bool more) {
  const uint16_t moreBit = more ? kDoneMore : 0;
  const uint16_t errorBit = result.failed ? kDoneError : 0;
  if (result.databaseChange) {
    writer.EnvChange(1, *result.databaseChange, "");
  }
  for (const ServerMessage& m : result.messages) {
    writer.Message(m);
  }
  if (result.returnStatus) {
    // A procedure: its rows end in DONEINPROC, then the status and DONEPROC.
    if (result.rows) {
      writer.ColumnMetadata(result.rows->columns);
      for (const Row& row : result.rows->rows) {
        writer.RowToken(result.rows->columns, row);
      }
      writer.DoneInProc(kDoneCount | kDoneMore, result.rows->rows.size());
    }
    writer.ReturnStatus(*result.returnStatus);
    writer.DoneProc(moreBit | errorBit);
    return;
  }
  if (result.rows) {
    writer.ColumnMetadata(result.rows->columns);
    for (const Row& row : result.rows->rows) {
      writer.RowToken(result.rows->columns, row);
    }
    if (result.trailing.empty()) {
      writer.Done(kDoneCount | moreBit | errorBit, result.rows->rows.size());
      return;
    }
    writer.Done(kDoneCount | kDoneMore, result.rows->rows.size());
    for (const ServerMessage& m : result.trailing) {
      writer.Message(m);
    }
    writer.Done(moreBit | errorBit);
    return;
  }
  writer.Done(moreBit | errorBit);
}

}  // namespace testserver::tds
