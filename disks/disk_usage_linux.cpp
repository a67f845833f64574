#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "disks/disk_enumeration.h"
#include "disks/disk_usage.h"

namespace fs = std::filesystem;

namespace {

// The kernel's tables are small; a cap keeps a strange one from growing.
constexpr std::streamsize kTableLimit = 4 << 20;

std::string ReadTable(const std::string& file) {
    std::ifstream in(file, std::ios::in | std::ios::binary);
    std::string text(kTableLimit, '\0');
    in.read(text.data(), kTableLimit);
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

std::optional<std::pair<unsigned, unsigned>> ParseDev(const std::string& text) {
    unsigned major = 0;
    unsigned minor = 0;
    char colon = 0;
    std::istringstream in(text);
    if (in >> major >> colon >> minor && colon == ':') {
        return std::make_pair(major, minor);
    }
    return std::nullopt;
}

// Mount points escape blanks and backslashes as octal ("\040").
std::string Unescaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() &&
            text.find_first_not_of("01234567", i + 1) >= i + 4) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 3), nullptr, 8));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::optional<std::pair<unsigned, unsigned>> DeviceOfNode(const std::string& path) {
    struct stat status {};
    if (path.empty() || path[0] != '/' || stat(path.c_str(), &status) != 0 ||
        !S_ISBLK(status.st_mode)) {
        return std::nullopt;
    }
    return std::make_pair(::major(status.st_rdev), ::minor(status.st_rdev));
}

}  // namespace

std::vector<DiskUser> MountsIn(const std::string& mountinfo, const DeviceNumbers& devices) {
    std::vector<DiskUser> users;
    std::istringstream lines(mountinfo);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::vector<std::string> field;
        for (std::string word; fields >> word;) {
            field.push_back(word);
        }
        std::size_t separator = 6;
        while (separator < field.size() && field[separator] != "-") {
            ++separator;
        }
        if (field.size() < 5 || separator + 2 >= field.size()) {
            continue;
        }
        const std::string& source = field[separator + 2];
        const auto dev = ParseDev(field[2]);
        const auto sourceDev = DeviceOfNode(source);
        if (!(dev && devices.count(*dev)) && !(sourceDev && devices.count(*sourceDev))) {
            continue;
        }
        const std::string options = "," + field[5] + ",";
        users.push_back({source, "is mounted on " + Unescaped(field[4]),
                         options.find(",rw,") != std::string::npos});
    }
    return users;
}

std::vector<DiskUser> UsersOfDisk(const DiskIdentity& disk, const std::string& sysRoot) {
    DeviceNumbers devices = {{disk.major, disk.minor}};
    std::vector<std::pair<std::string, fs::path>> folders;  // device node, its sysfs folder
    const std::string name = fs::path(disk.node).filename().string();
    const fs::path diskFolder = fs::path(sysRoot) / "block" / name;
    folders.emplace_back(disk.node, diskFolder);
    std::error_code error;
    for (const fs::directory_entry& sub : fs::directory_iterator(diskFolder, error)) {
        std::error_code inner;
        if (!fs::exists(sub.path() / "partition", inner)) {
            continue;
        }
        std::ifstream in(sub.path() / "dev");
        std::string dev;
        std::getline(in, dev);
        if (const auto number = ParseDev(dev)) {
            devices.insert(*number);
            folders.emplace_back("/dev/" + sub.path().filename().string(), sub.path());
        }
    }
    std::vector<DiskUser> users = MountsIn(ReadTable("/proc/self/mountinfo"), devices);
    std::istringstream swaps(ReadTable("/proc/swaps"));
    std::string line;
    std::getline(swaps, line);  // the heading
    while (std::getline(swaps, line)) {
        const std::string file = line.substr(0, line.find_first_of(" \t"));
        const auto dev = DeviceOfNode(file);
        if (dev && devices.count(*dev)) {
            users.push_back({file, "is active swap", true});
        }
    }
    for (const auto& [node, folder] : folders) {
        for (const fs::directory_entry& holder :
             fs::directory_iterator(folder / "holders", error)) {
            users.push_back({node, "is held by " + holder.path().filename().string(), true});
        }
    }
    return users;
}

std::string DescribeUsers(const std::vector<DiskUser>& users) {
    std::string text;
    for (const DiskUser& user : users) {
        text += (text.empty() ? "" : ", ") + user.device + " " + user.use;
    }
    return text;
}
