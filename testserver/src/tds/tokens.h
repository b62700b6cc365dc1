// Server token stream: the tokens this server sends, in the formats of the session's
// TDS version.
#pragma once

#include <cstdint>
#include <string>

#include "../server/result.h"
#include "byte_writer.h"
#include "protocol_version.h"

namespace testserver::tds {

enum DoneStatus : uint16_t {
  kDoneFinal = 0x00,
  kDoneMore = 0x01,
  kDoneError = 0x02,
  kDoneCount = 0x10,
  kDoneAttention = 0x20,
};

class TokenWriter {
 public:
  TokenWriter(std::string serverName, TdsVersion version)
      : m_serverName(std::move(serverName)), m_version(version) {}

  void Message(const ServerMessage& message);
  void EnvChange(uint8_t type, std::string_view newValue, std::string_view oldValue);
  void CollationEnvChange();
  // Acknowledges the login in the session's TDS version, naming the server's release.
  void LoginAck(std::string_view programName, const ProductVersion& product);
  void ColumnMetadata(const std::vector<Column>& columns);
  void RowToken(const std::vector<Column>& columns, const Row& row);
  void Done(uint16_t status, uint64_t rowCount = 0) { DoneToken(0xFD, status, rowCount); }
  void DoneProc(uint16_t status, uint64_t rowCount = 0) { DoneToken(0xFE, status, rowCount); }
  void DoneInProc(uint16_t status, uint64_t rowCount = 0) { DoneToken(0xFF, status, rowCount); }
  void ReturnStatus(int32_t status);

  ByteWriter& Out() { return m_out; }

 private:
  void DoneToken(uint8_t token, uint16_t status, uint64_t rowCount);

  std::string m_serverName;
  TdsVersion m_version;
  ByteWriter m_out;
};

// Appends one statement's tokens; `more` says another statement follows in the batch.
void WriteStatementResult(TokenWriter& writer, const StatementResult& result, bool more);

}  // namespace testserver::tds
