// Installation as a Debian program: a staged `cmake --install` and the package of
// `cpack -G DEB`, made from this build.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "support/ScratchDirectory.h"
#include "support/ToolRun.h"

namespace onarim {
namespace {

using namespace onarim::testing;

std::string FileText(const std::filesystem::path& path) {
    std::ifstream stream(path, std::ios::binary);
    std::ostringstream text;
    text << stream.rdbuf();
    return text.str();
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

bool Executable(const std::filesystem::path& path) {
    struct stat status{};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           (status.st_mode & S_IXOTH) != 0;
}

const std::string kDefaultRegistry = FileText(ONARIM_SOURCE_DIR "/packaging/registry.reg");

ProgramResult RunWith(std::vector<std::string> arguments,
                      ProgramRun::Environment environment = {}) {
    ProgramRun run;
    run.arguments = std::move(arguments);
    run.environment = std::move(environment);
    return RunProgram(run);
}

TEST(InstallTest, StagedInstallPutsEverythingInPlaceAndKeepsTheRegistryFile) {
    const ScratchDirectory scratch;
    const std::filesystem::path stage = scratch.Path() / "stage";
    const auto install = [&] {
        const ProgramResult result =
            RunWith({CMAKE_COMMAND, "--install", ONARIM_BINARY_DIR, "--prefix", "/usr"},
                    {{"DESTDIR", stage.string()}});
        ASSERT_EQ(result.exitCode, 0) << result.Describe();
    };
    install();
    for (const char* program : {"onarim", "onarim-cli", "onarim-validate"}) {
        EXPECT_TRUE(Executable(stage / "usr/bin" / program)) << program;
    }
    for (const char* file : {"usr/share/icons/hicolor/16x16/apps/onarim.png",
                             "usr/share/icons/hicolor/32x32/apps/onarim.png",
                             "usr/share/applications/onarim.desktop",
                             "usr/lib/systemd/system/onarim-check@.service",
                             "usr/lib/systemd/system/onarim-check@.timer"}) {
        EXPECT_TRUE(std::filesystem::is_regular_file(stage / file)) << file;
    }
    const std::filesystem::path registry = stage / "etc/onarim/registry.reg";
    EXPECT_EQ(FileText(registry), kDefaultRegistry);

    // The operator's own file stays as it is.
    const std::string changed = "Windows Registry Editor Version 5.00\r\n\r\n"
                                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\FireBird Project\\Firebird "
                                "Server\\Instances]\r\n\"DefaultInstance\"=\"/opt/firebird/\"\r\n";
    WriteText(registry, changed);
    install();
    EXPECT_EQ(FileText(registry), changed);

    const ProgramResult version = RunWith({(stage / "usr/bin/onarim-cli").string(), "--version"});
    EXPECT_EQ(version.exitCode, 0) << version.Describe();
}

TEST(InstallTest, DebianPackageNamesWhatItNeedsAndLeavesTheRegistryFileToPostinst) {
    const ScratchDirectory scratch;
    const ProgramResult cpack = RunWith({CPACK_COMMAND, "-G", "DEB", "--config",
                                     ONARIM_BINARY_DIR "/CPackConfig.cmake", "-B",
                                     scratch.Path().string()});
    ASSERT_EQ(cpack.exitCode, 0) << cpack.Describe();
    std::filesystem::path package;
    for (const auto& entry : std::filesystem::directory_iterator(scratch.Path())) {
        if (entry.path().extension() == ".deb") {
            package = entry.path();
        }
    }
    ASSERT_FALSE(package.empty()) << cpack.output;

    const ToolResult info = RunTool({"dpkg-deb", "--field", package.string(), "Depends"});
    ASSERT_TRUE(info.Succeeded()) << info.Describe();
    for (const char* dependency : {"libfbclient2", "firebird3.0-server-core", "firebird3.0-utils",
                                   "qt6-qpa-plugins", "libqt6widgets6", "libqt6gui6",
                                   "libqt6core6"}) {
        EXPECT_NE(info.output.find(dependency), std::string::npos) << info.output;
    }
    const ToolResult contents = RunTool({"dpkg-deb", "--contents", package.string()});
    for (const char* file : {"./usr/bin/onarim-cli",
                             "./usr/lib/systemd/system/onarim-check@.timer",
                             "./usr/share/onarim/registry.reg"}) {
        EXPECT_NE(contents.output.find(file), std::string::npos) << contents.output;
    }
    EXPECT_EQ(contents.output.find("./etc/"), std::string::npos) << contents.output;

    // The maintainer scripts, run on the unpacked package as dpkg --root would run them.
    const std::filesystem::path root = scratch.Path() / "root";
    ASSERT_TRUE(
        RunTool({"dpkg-deb", "--raw-extract", package.string(), root.string()}).Succeeded());
    const ProgramRun::Environment inRoot = {{"DPKG_ROOT", root.string()}};
    const std::string postinst = (root / "DEBIAN/postinst").string();
    const std::string postrm = (root / "DEBIAN/postrm").string();
    const std::filesystem::path registry = root / "etc/onarim/registry.reg";
    EXPECT_EQ(RunWith({postinst, "configure"}, inRoot).exitCode, 0);
    EXPECT_EQ(FileText(registry), kDefaultRegistry);
    WriteText(registry, "REGEDIT4\r\n");
    EXPECT_EQ(RunWith({postinst, "configure"}, inRoot).exitCode, 0);
    EXPECT_EQ(RunWith({postrm, "purge"}, inRoot).exitCode, 0);
    EXPECT_EQ(FileText(registry), "REGEDIT4\r\n") << "the operator's file stays, also on purge";
    WriteText(registry, kDefaultRegistry);
    EXPECT_EQ(RunWith({postrm, "purge"}, inRoot).exitCode, 0);
    EXPECT_FALSE(std::filesystem::exists(registry.parent_path()));
}

} // namespace
} // namespace onarim
