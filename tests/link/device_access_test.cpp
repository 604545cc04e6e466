#include "link/device_access.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace m8163 {
namespace {

// Only a group that may read and write the device is worth joining, and
// never root.
TEST(PermissionAdvice, NamesOnlyAGroupWithReadAndWrite) {
    struct Case {
        const char* name;
        DeviceAccess access;
        const char* group;  // advised group; nullptr: permissions forbid access
    };
    const Case cases[] = {
        {"dialout rw", {true, 0660, 20, "dialout"}, "dialout"},
        {"dialout rw, others read", {true, 0664, 20, "dialout"}, "dialout"},
        {"group without a name", {true, 0660, 1234, ""}, "1234"},
        {"group read only", {true, 0640, 20, "dialout"}, nullptr},
        {"group write only (tty)", {true, 0620, 5, "tty"}, nullptr},
        {"owner only", {true, 0600, 20, "dialout"}, nullptr},
        {"mode 000", {true, 0000, 20, "dialout"}, nullptr},
        {"group root rw", {true, 0660, 0, "root"}, nullptr},
        {"everyone rw, group root", {true, 0666, 0, "root"}, nullptr},
        {"not looked at", {}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string advice = permissionAdvice(c.access);
        if (c.group != nullptr) {
            EXPECT_EQ(grantingGroup(c.access), c.group);
            EXPECT_NE(advice.find(std::string("sudo usermod -aG ") + c.group + " $USER"),
                      std::string::npos)
                << advice;
        } else {
            EXPECT_EQ(grantingGroup(c.access), std::nullopt);
            EXPECT_EQ(advice.find("usermod"), std::string::npos) << advice;
            EXPECT_NE(advice.find("Права доступа к устройству не позволяют"), std::string::npos)
                << advice;
        }
    }
}

TEST(PermissionAdvice, ReadsModeAndGroupOfTheFile) {
    std::string folder = (std::filesystem::temp_directory_path() / "m8163-access-XXXXXX").string();
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    const std::string file = folder + "/device";
    std::ofstream(file).put('x');
    ASSERT_EQ(chmod(file.c_str(), 0620), 0);
    const DeviceAccess access = deviceAccess(file);
    EXPECT_TRUE(access.known);
    EXPECT_EQ(access.mode, 0620u);
    EXPECT_EQ(access.gid, static_cast<unsigned>(getegid()));
    EXPECT_FALSE(deviceAccess(folder + "/missing").known);
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace m8163
