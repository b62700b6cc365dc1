#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>

#include "res/dialog_templates.h"
#include "res/resource_ids.h"
#include "ui/dialog_controls.h"
#include "ui/harrowlander_dlg.h"
#include "ui/integer_text.h"

namespace harrowlander {
namespace {

enum class Exchange { kText, kComboText, kCheck, kModeRadios, kInteger };

struct FieldBinding {
  Exchange kind;
  int controlId;
  std::string CHarrowlanderDlg::*text;
  std::int32_t CHarrowlanderDlg::*number;
  std::int32_t min;
  std::int32_t max;
};

using D = CHarrowlanderDlg;

constexpr FieldBinding Text(int id, std::string D::*field) {
  return {Exchange::kText, id, field, nullptr, 0, 0};
}
constexpr FieldBinding ComboText(int id, std::string D::*field) {
  return {Exchange::kComboText, id, field, nullptr, 0, 0};
}
constexpr FieldBinding Check(int id, std::int32_t D::*field) {
  return {Exchange::kCheck, id, nullptr, field, 0, 0};
}
constexpr FieldBinding Integer(int id, std::int32_t D::*field, std::int32_t min, std::int32_t max) {
  return {Exchange::kInteger, id, nullptr, field, min, max};
}

// Every field with a control, in declaration order: the order of the exchange and so
// of the validation messages.
constexpr FieldBinding kFields[] = {
    ComboText(res::IDC_DATABASE, &D::m_strDatabase),
    Text(res::IDC_SQL_USER, &D::m_strSqlUser),
    Text(res::IDC_SQL_PASSWORD, &D::m_strSqlPassword),
    Text(res::IDC_STATUS, &D::m_strStatus),
    Check(res::IDC_SAVE_SQL_PASSWORD, &D::m_bSaveSqlPassword),
    Check(res::IDC_SAME_MACHINE, &D::m_bSameMachine),
    Check(res::IDC_COMPRESS_RAR, &D::m_bCompressRar),
    Check(res::IDC_DROP_BEFORE_RESTORE, &D::m_bDropBeforeRestore),
    Text(res::IDC_NET_USER, &D::m_strNetUser),
    Text(res::IDC_NET_PASSWORD, &D::m_strNetPassword),
    Check(res::IDC_SAVE_NET_PASSWORD, &D::m_bSaveNetPassword),
    {Exchange::kModeRadios, res::IDC_MODE_BACKUP, nullptr, &D::m_nMode, 0, 0},
    Text(res::IDC_NET_SERVER, &D::m_strNetServer),
    Check(res::IDC_SHRINK_BEFORE_BACKUP, &D::m_bShrinkBeforeBackup),
    ComboText(res::IDC_SERVER, &D::m_strServer),
    Text(res::IDC_RAR_PASSWORD, &D::m_strRarPassword),
    Text(res::IDC_RAR_PASSWORD2, &D::m_strRarPassword2),
    Check(res::IDC_RESTORE_TO_DATA_DIR, &D::m_bRestoreToDataDir),
    Check(res::IDC_TRUNCATE_LOG_BEFORE_SHRINK, &D::m_bTruncateLogBeforeShrink),
    Integer(res::IDC_SHRINK_PERCENT, &D::m_nShrinkPercent, 1, 100),
    Text(res::IDC_TABLE_KEYWORD, &D::m_strTableKeyword),
    Integer(res::IDC_CONNECT_TIMEOUT, &D::m_nConnectTimeout, 0, 12000),
    Integer(res::IDC_COMMAND_TIMEOUT, &D::m_nCommandTimeout, 0, 12000),
    Check(res::IDC_INCREMENTAL, &D::m_bIncremental),
};

// The messages the dialog framework shows for a numeric edit that fails validation.
constexpr std::string_view kNotAnInteger = "请输入一个整数。";

std::string OutOfRange(std::int32_t min, std::int32_t max) {
  return "请输入一个介于 " + std::to_string(min) + " 和 " + std::to_string(max) + " 之间的整数。";
}

bool StartsWithIgnoringCase(std::string_view item, std::string_view prefix) {
  if (prefix.size() > item.size()) {
    return false;
  }
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(item[i])) !=
        std::tolower(static_cast<unsigned char>(prefix[i]))) {
      return false;
    }
  }
  return true;
}

// Shows a combo's field: selects the first list item that begins with the text, as the
// framework's combo exchange does, and sets the edit text only when none does. An empty
// text selects nothing and leaves the box empty, as the window system's prefix search
// does: otherwise every item would match, and the next Start would run on a database
// the user never chose.
void ShowComboText(DialogWindow& window, int id, const std::string& text) {
  if (!text.empty()) {
    const auto items = window.GetComboItems(id);
    for (size_t i = 0; i < items.size(); ++i) {
      if (StartsWithIgnoringCase(items[i], text)) {
        window.SetComboSelection(id, static_cast<int>(i));
        return;
      }
    }
  }
  window.SetComboSelection(id, -1);
  window.SetControlText(id, text);
}

}  // namespace

bool CHarrowlanderDlg::UpdateData(bool saveAndValidate) {
  DialogWindow& window = m_platform.window;
  for (const FieldBinding& field : kFields) {
    switch (field.kind) {
      case Exchange::kText:
      case Exchange::kComboText:
        if (saveAndValidate) {
          this->*field.text = window.GetControlText(field.controlId);
        } else if (field.kind == Exchange::kComboText) {
          ShowComboText(window, field.controlId, this->*field.text);
        } else {
          window.SetControlText(field.controlId, this->*field.text);
        }
        break;
      case Exchange::kCheck:
        if (saveAndValidate) {
          this->*field.number = window.IsChecked(field.controlId) ? 1 : 0;
        } else {
          window.SetCheck(field.controlId, this->*field.number != 0);
        }
        break;
      case Exchange::kModeRadios:
        if (saveAndValidate) {
          this->*field.number = -1;
          for (size_t i = 0; i < kModeRadios.size(); ++i) {
            if (window.IsChecked(kModeRadios[i])) {
              this->*field.number = static_cast<std::int32_t>(i);
            }
          }
        } else {
          for (size_t i = 0; i < kModeRadios.size(); ++i) {
            window.SetCheck(kModeRadios[i], this->*field.number == static_cast<std::int32_t>(i));
          }
        }
        break;
      case Exchange::kInteger:
        if (!saveAndValidate) {
          window.SetControlText(field.controlId, std::to_string(this->*field.number));
          break;
        }
        // As in the framework, a number that parses is stored before its range is
        // checked; a text that does not parse leaves the field alone.
        {
          const auto value = ParseDialogInteger(window.GetControlText(field.controlId));
          std::string problem;
          if (!value) {
            problem = kNotAnInteger;
          } else if (this->*field.number = *value; *value < field.min || *value > field.max) {
            problem = OutOfRange(field.min, field.max);
          }
          if (!problem.empty()) {
            window.MessageBox(problem, std::string(res::kApplicationName),
                              mb::kOk | mb::kIconExclamation);
            window.FocusAndSelectAll(field.controlId);
            return false;
          }
        }
        break;
    }
  }
  return true;
}

}  // namespace harrowlander
