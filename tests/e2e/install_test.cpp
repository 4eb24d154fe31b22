// PELLIX as it is installed: `cmake --install` into a folder of the test's
// own, and the Debian package CPack makes of the same files.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include "support/png.h"
#include "support/run.h"

namespace fs = std::filesystem;

// The installed program runs from its place: it tells its version, and the
// installed demo passes its self-check; each icon is of the size its folder
// says. The desktop entry passes desktop-file-validate; the manual page
// renders without a warning and names every option of --help.
TEST(Installed, ProgramRunsAndItsFilesValidate) {
  const std::string dir = MakeTempDir("Installed");
  std::string error;
  const std::string usr = InstallInto(dir, error), demo = usr + "/share/pellix/demo.gb";
  ASSERT_FALSE(usr.empty()) << error;
  RunResult r = RunCommand({usr + "/bin/pellix", "--version"}, dir, 20);
  EXPECT_TRUE(r.exit_code == 0 && r.out == "PELLIX " PELLIX_VERSION "\n") << r.out;
  r = RunCommand({usr + "/bin/pellix", "--test", demo}, dir, 60);
  EXPECT_EQ(r.out, demo + ": passed\n") << r.err;
  for (int size : {16, 48, 256}) {
    RgbImage icon;
    const std::string name = std::to_string(size) + "x" + std::to_string(size);
    EXPECT_TRUE(ReadPng(usr + "/share/icons/hicolor/" + name + "/apps/pellix.png", icon, error) &&
                icon.width == size && icon.height == size) << name << ": " << error << icon.width << "x" << icon.height;
  }

  if (const std::string missing = MissingPrograms({"desktop-file-validate", "groff", "man"}); !missing.empty())
    GTEST_SKIP() << "not installed: " << missing << "(scripts/ensure_packages.sh installs them)";
  r = RunCommand({"desktop-file-validate", usr + "/share/applications/pellix.desktop"}, dir, 20);
  EXPECT_TRUE(r.exit_code == 0 && r.out.empty() && r.err.empty()) << r.out << r.err;
  const std::string page = usr + "/share/man/man6/pellix.6.gz";
  r = RunCommand({"sh", "-c", "zcat \"$0\" | groff -man -ww -z", page}, dir, 20);
  EXPECT_TRUE(r.exit_code == 0 && r.err.empty()) << r.err;
  const RunResult manual = RunCommand({"man", "--warnings", "-l", page}, dir, 20, {{"LC_ALL", "C"}, {"MANWIDTH", "80"}});
  EXPECT_TRUE(manual.exit_code == 0 && manual.err.empty()) << manual.err;
  std::istringstream usage(RunPellix({"--help"}, dir).out);
  for (std::string word; usage >> word;) {
    const std::string option = word.substr(0, word.find_first_not_of("-abcdefghijklmnopqrstuvwxyz"));
    if (option.rfind("--", 0) == 0 && option.size() > 2) {
      EXPECT_NE(manual.out.find(option), std::string::npos) << option << " is not in the manual";
    }
  }
}

// The package holds exactly what the installation puts in place; it
// depends on Allegro 4 and zlib and only suggests RetroArch; lintian finds
// no error in it.
TEST(Installed, PackageHoldsTheInstalledFiles) {
  if (const std::string missing = MissingPrograms({"dpkg-deb", "dpkg-shlibdeps", "lintian"}); !missing.empty())
    GTEST_SKIP() << "not installed: " << missing << "(scripts/ensure_packages.sh installs them)";
  const std::string dir = MakeTempDir("Package");
  std::string error;
  const std::string usr = InstallInto(dir, error);
  ASSERT_FALSE(usr.empty()) << error;
  RunResult r = RunCommand({PELLIX_CPACK, "-G", "DEB", "--config", PELLIX_BUILD "/CPackConfig.cmake", "-B", "out"},
                           dir, 120);
  ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
  std::string deb;
  for (const auto& entry : fs::directory_iterator(dir + "/out"))
    if (entry.path().extension() == ".deb") deb = entry.path().string();
  ASSERT_EQ(fs::path(deb).filename().string().rfind("pellix_" PELLIX_VERSION "_", 0), 0u) << deb;

  std::set<std::string> installed, packed;
  for (const auto& entry : fs::recursive_directory_iterator(dir + "/root"))
    if (!entry.is_directory()) installed.insert("." + entry.path().string().substr(dir.size() + 5));
  std::istringstream listing(RunCommand({"dpkg-deb", "-c", deb}, dir).out);
  for (std::string line; std::getline(listing, line);)
    if (line[0] != 'd') packed.insert(line.substr(line.find(" ./") + 1));
  EXPECT_EQ(packed, installed);
  EXPECT_TRUE(installed.count("./usr/" PELLIX_LIBRETRO_DIR "/pellix_libretro.so"));

  const std::string depends = RunCommand({"dpkg-deb", "-f", deb, "Depends"}, dir).out;
  EXPECT_TRUE(depends.find("liballegro4") != std::string::npos && depends.find("zlib1g") != std::string::npos)
      << depends;
  EXPECT_EQ(RunCommand({"dpkg-deb", "-f", deb, "Suggests"}, dir).out, "retroarch\n");
  r = RunCommand({"lintian", deb}, dir, 120);
  EXPECT_EQ(r.out.find("E: "), std::string::npos) << r.out;
}
