#include "gui/win32/settings_text_filter.h"

#include <string>

#include "gui/win32/template_ids.h"  // before the core's ids: see there
#include "platform/win32/wide_text.h"
#include "ports/text_codec.h"
#include "ui/dialog_controls.h"

namespace harrowlander::win32 {
namespace {

constexpr wchar_t kFilterProperty[] = L"Harrowlander.SettingsTextFilter";

// What the filter keeps for one edit.
struct EditFilter {
  WNDPROC original;
  TextCodec& codec;
  bool refusingLowSurrogate = false;  // the first half of this pair was refused
};

bool Holds(TextCodec& codec, std::wstring_view text) {
  return codec.RoundTrips(Narrow(text));
}

// The characters of `text` that the settings file can hold. GBK has no character
// beyond the basic multilingual plane, so a surrogate pair goes as a whole.
std::wstring HeldCharacters(TextCodec& codec, std::wstring_view text) {
  std::wstring kept;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (IS_HIGH_SURROGATE(text[at]) || IS_LOW_SURROGATE(text[at])) {
      continue;
    }
    if (Holds(codec, text.substr(at, 1))) {
      kept += text[at];
    }
  }
  return kept;
}

std::wstring ClipboardText(HWND owner) {
  std::wstring text;
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(owner)) {
    return text;
  }
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = chars;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

// True when the character message is taken care of here (refused).
bool RefuseCharacter(EditFilter& filter, wchar_t unit) {
  if (IS_LOW_SURROGATE(unit) && filter.refusingLowSurrogate) {
    filter.refusingLowSurrogate = false;
    return true;
  }
  filter.refusingLowSurrogate = false;
  if (unit < L' ') {
    return false;  // Backspace, Tab, Return, Ctrl+letter: the edit's own keys
  }
  if (IS_HIGH_SURROGATE(unit)) {
    filter.refusingLowSurrogate = true;
  } else if (!IS_LOW_SURROGATE(unit) && Holds(filter.codec, std::wstring_view(&unit, 1))) {
    return false;
  }
  MessageBeep(MB_OK);
  return true;
}

LRESULT CALLBACK FilterProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* filter = static_cast<EditFilter*>(GetPropW(edit, kFilterProperty));
  if (filter == nullptr) {
    return DefWindowProcW(edit, message, wParam, lParam);
  }
  const WNDPROC original = filter->original;
  switch (message) {
    case WM_CHAR:
    case WM_IME_CHAR:
      if (RefuseCharacter(*filter, static_cast<wchar_t>(wParam))) {
        return 0;
      }
      break;
    case WM_PASTE: {
      const std::wstring pasted = ClipboardText(edit);
      const std::wstring held = HeldCharacters(filter->codec, pasted);
      if (held == pasted) {
        break;
      }
      MessageBeep(MB_OK);
      SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(held.c_str()));
      return 0;
    }
    case WM_NCDESTROY:
      RemovePropW(edit, kFilterProperty);
      SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
      delete filter;
      break;
    default:
      break;
  }
  return CallWindowProcW(original, edit, message, wParam, lParam);
}

void Filter(HWND edit, TextCodec& codec) {
  if (edit == nullptr || GetPropW(edit, kFilterProperty) != nullptr) {
    return;
  }
  auto* filter = new EditFilter{nullptr, codec};
  SetPropW(edit, kFilterProperty, filter);
  filter->original = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FilterProc)));
}

}  // namespace

void KeepSavedTextsToTheSettingsCodePage(HWND dialog, TextCodec& codec) {
  for (int id : kSavedTextControls) {
    HWND control = GetDlgItem(dialog, id);
    COMBOBOXINFO combo{};
    combo.cbSize = sizeof combo;
    if (control != nullptr && GetComboBoxInfo(control, &combo)) {
      control = combo.hwndItem;  // the edit part
    }
    Filter(control, codec);
  }
}

}  // namespace harrowlander::win32
