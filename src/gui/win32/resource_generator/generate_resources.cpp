// Host tool of the Windows build: writes the resource script of the program (dialogs
// 102 and 100, icon 128, string 101) from the core's template table, and the icon file
// it names from the XPM images the Linux front end shows.
// Usage: generate_resources OUT.rc OUT.ico
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

#include "gui/win32/resource_generator/ico_writer.h"
#include "gui/win32/resource_generator/rc_writer.h"
#include "res/dialog_templates.h"
#include "res/harrowlander_16.xpm"
#include "res/harrowlander_32.xpm"
#include "res/resource_ids.h"

namespace resgen = harrowlander::win32::resgen;
namespace res = harrowlander::res;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: generate_resources OUT.rc OUT.ico\n";
    return 2;
  }
  const std::filesystem::path rcPath = argv[1], icoPath = argv[2];
  try {
    const resgen::XpmImage images[] = {{harrowlander_32_xpm}, {harrowlander_16_xpm}};
    const std::vector<std::uint8_t> ico = resgen::IconFileFromXpm(images);
    std::ofstream icoFile(icoPath, std::ios::binary);
    icoFile.write(reinterpret_cast<const char*>(ico.data()),
                  static_cast<std::streamsize>(ico.size()));

    std::ofstream rc(rcPath, std::ios::binary);
    resgen::WriteResourceScriptHeader(rc);
    resgen::WriteIcon(rc, res::IDR_MAINFRAME, icoPath.filename().string());
    resgen::WriteDialog(rc, res::AboutDialogTemplate());
    resgen::WriteDialog(rc, res::MainDialogTemplate());
    resgen::WriteStringTable(rc, res::IDS_ABOUTBOX, res::kAboutMenuText);
    if (!rc || !icoFile) {
      std::cerr << "generate_resources: cannot write the output files\n";
      return 1;
    }
  } catch (const resgen::XpmError& error) {
    std::cerr << "generate_resources: " << error.what() << "\n";
    return 1;
  }
  return 0;
}
