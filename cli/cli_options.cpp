#include "cli/cli_options.h"

#include <algorithm>
#include <charconv>
#include <map>

#include "disks/path_text.h"
#include "engine/image_formats.h"

namespace {

const std::map<std::string, CompressionMethod>& CompressionNames() {
    static const std::map<std::string, CompressionMethod> names = [] {
        std::map<std::string, CompressionMethod> table{{"none", CompressionMethod::None}};
        for (const ImageFormat& format : TargetFormats()) {
            table.emplace(format.cliName, format.method);
        }
        return table;
    }();
    return names;
}

// The target types' names joined: "gzip|bzip2|...", the last with `last`
// in front when the separator is a comma ("gzip, bzip2 or zstd").
std::string TypeNames(const std::string& separator, const std::string& last) {
    std::string text;
    const auto formats = TargetFormats();
    for (std::size_t i = 0; i < formats.size(); ++i) {
        if (i > 0) {
            text += i + 1 == formats.size() ? last : separator;
        }
        text += formats[i].cliName;
    }
    return text;
}

int HighestLevel() {
    int highest = 1;
    for (const ImageFormat& format : TargetFormats()) {
        highest = std::max(highest, format.maxLevel);
    }
    return highest;
}

// "NAME.dsk.gz (gzip), ..." for the help text, wrapped at about 64 columns.
std::string ImageNameList() {
    std::string text = "NAME.dsk (raw)";
    std::size_t column = text.size();
    for (const ImageFormat& format : TargetFormats()) {
        const std::string item =
            "NAME" + WideToUtf8(format.extension) + " (" + format.cliName + ")";
        if (column + item.size() + 2 > 64) {
            text += ",\n              ";
            column = 0;
        } else {
            text += ", ";
        }
        text += item;
        column += item.size() + 2;
    }
    return text;
}

const std::map<std::string, ReadErrorPolicy>& PolicyNames() {
    static const std::map<std::string, ReadErrorPolicy> names = {
        {"ask", ReadErrorPolicy::Ask},
        {"abort", ReadErrorPolicy::Abort},
        {"retry", ReadErrorPolicy::Retry},
        {"ignore", ReadErrorPolicy::Ignore},
    };
    return names;
}

// A decimal number from low to high, nothing else.
std::optional<int> ParseNumberIn(const std::string& text, int low, int high) {
    int number = 0;
    const char* end = text.data() + text.size();
    const auto [stop, problem] = std::from_chars(text.data(), end, number);
    if (problem != std::errc() || stop != end || number < low || number > high) {
        return std::nullopt;
    }
    return number;
}

// Walks the arguments, taking each option's value from "=" or the next one.
class Parser {
public:
    explicit Parser(const std::vector<std::string>& arguments) : arguments_(arguments) {}

    ParsedCommandLine Parse() {
        bool onlyEndpoints = false;
        std::vector<CliAction> actions;
        for (next_ = 0; next_ < arguments_.size() && result_.error.empty();) {
            const std::string argument = arguments_[next_++];
            if (onlyEndpoints || argument == "-" || argument.rfind('-', 0) != 0) {
                options().endpoints.push_back(argument);
            } else if (argument == "--") {
                onlyEndpoints = true;
            } else {
                Option(argument, actions);
            }
        }
        if (!result_.error.empty()) {
            return result_;
        }
        for (CliAction action : {CliAction::Help, CliAction::Version}) {
            if (std::find(actions.begin(), actions.end(), action) != actions.end()) {
                options().action = action;
                return result_;
            }
        }
        if (!actions.empty()) {
            options().action = CliAction::ListDisks;
            if (!options().endpoints.empty()) {
                result_.error = "--list-disks takes no SOURCE or TARGET";
            }
            return result_;
        }
        const std::size_t count = options().endpoints.size();
        if (count < 2) {
            result_.error = "SOURCE and TARGET are both needed";
        } else if (count > 2) {
            result_.error =
                "only SOURCE and TARGET are taken, but " + std::to_string(count) + " were given";
        }
        return result_;
    }

private:
    CliOptions& options() { return result_.options; }

    void Option(const std::string& argument, std::vector<CliAction>& actions) {
        const std::size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        std::optional<std::string> value;
        if (equals != std::string::npos) {
            value = argument.substr(equals + 1);
        }
        static const std::map<std::string, CliAction> actionNames = {
            {"--help", CliAction::Help},
            {"-h", CliAction::Help},
            {"--version", CliAction::Version},
            {"--list-disks", CliAction::ListDisks},
        };
        if (const auto action = actionNames.find(name); action != actionNames.end()) {
            if (NoValue(name, value)) {
                actions.push_back(action->second);
            }
        } else if (name == "--verify" || name == "--no-verify") {
            if (NoValue(name, value)) {
                options().verify = name == "--verify";
            }
        } else if (name == "--yes" || name == "-y") {
            options().yes = NoValue(name, value);
        } else if (name == "--level") {
            if (TakeValue(name, value)) {
                options().level = ParseNumberIn(*value, 1, HighestLevel());
                if (!options().level) {
                    result_.error = "--level takes a number from 1 to " +
                                    std::to_string(HighestLevel()) + ", not '" + *value + "'";
                }
            }
        } else if (name == "--threads") {
            if (TakeValue(name, value)) {
                options().threads = ParseNumberIn(*value, 1, kMaxThreads);
                if (!options().threads) {
                    result_.error = "--threads takes a number from 1 to " +
                                    std::to_string(kMaxThreads) + ", not '" + *value + "'";
                }
            }
        } else if (name == "--compress") {
            TakeNamed(name, value, CompressionNames(), options().compress,
                      (TypeNames(", ", ", ") + " or none").c_str());
        } else if (name == "--on-read-error") {
            std::optional<ReadErrorPolicy> policy;
            if (TakeNamed(name, value, PolicyNames(), policy, "ask, abort, retry or ignore")) {
                options().onReadError = *policy;
            }
        } else {
            result_.error = "unknown option '" + name + "'";
        }
    }

    bool NoValue(const std::string& name, const std::optional<std::string>& value) {
        if (value) {
            result_.error = name + " takes no value";
            return false;
        }
        return true;
    }

    bool TakeValue(const std::string& name, std::optional<std::string>& value) {
        if (!value) {
            if (next_ >= arguments_.size()) {
                result_.error = name + " needs a value";
                return false;
            }
            value = arguments_[next_++];
        }
        return true;
    }

    template <typename T>
    bool TakeNamed(const std::string& name, std::optional<std::string>& value,
                   const std::map<std::string, T>& names, std::optional<T>& chosen,
                   const char* choices) {
        if (!TakeValue(name, value)) {
            return false;
        }
        const auto found = names.find(*value);
        if (found == names.end()) {
            result_.error = name + " takes " + choices + ", not '" + *value + "'";
            return false;
        }
        chosen = found->second;
        return true;
    }

    const std::vector<std::string>& arguments_;
    std::size_t next_ = 0;
    ParsedCommandLine result_;
};

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    return Parser(arguments).Parse();
}

std::string UsageText() {
    return "Usage: brevel-cli [--level N] [--threads N] [--compress " + TypeNames("|", "|") +
           "|none]\n"
           "                  [--verify | --no-verify] [--yes]\n"
           "                  [--on-read-error ask|abort|retry|ignore] SOURCE TARGET\n"
           "       brevel-cli --list-disks\n"
           "       brevel-cli --help | --version\n";
}

std::string HelpText() {
    return UsageText() +
           "\n"
           "Copies a whole disk byte for byte, from its first byte to its last: disk to disk,\n"
           "disk to image file, image file to disk, or image file to image file.\n"
           "\n"
           "SOURCE and TARGET are each a disk or an image file:\n"
           "  disk        \\\\.\\PhysicalDriveN, disk:N, or the device of a whole disk\n"
           "              (/dev/sdb, /dev/disk/by-id/...); --list-disks shows the numbers\n"
           "  image file  " +
           ImageNameList() +
           ";\n"
           "              any other name is examined: a gzip, bzip2, xz, zstd or zip file\n"
           "              (one image inside) is read as such, anything else is a raw image,\n"
           "              under /dev too\n"
           "Partitions, other devices and FIFOs are refused. A target disk must start with\n"
           "an all-zero first sector and must not be in use (mounted, swap, held); it is\n"
           "opened exclusively.\n"
           "\n"
           "Options:\n"
           "  --level N            compression level of an image target, 1 to 9 (1 to 19\n"
           "                       for zstd)\n"
           "  --threads N          threads that compress or decompress an image (default:\n"
           "                       one per core); remembered for the next run\n"
           "  --compress TYPE      " +
           TypeNames(", ", " or ") +
           ": compress an image\n"
           "                       target, with the extension of its name changed to\n"
           "                       match; none: do not\n"
           "  --verify             after the copy, read the target back from the medium\n"
           "                       (decompressing a compressed image) and compare it with\n"
           "                       what was written; a difference fails the job\n"
           "  --no-verify          do not; without either, the choice remembered for the\n"
           "                       target's kind (at first: disks yes, image files no)\n"
           "  --yes                answer yes to the questions: destroying the target\n"
           "                       disk's data, replacing an existing image file, copying\n"
           "                       a source larger than the target disk (without a terminal\n"
           "                       and without --yes the answer is no)\n"
           "  --on-read-error P    what to do when a block of a source disk cannot be read:\n"
           "                       ask (the default; abort without a terminal), abort,\n"
           "                       retry (3 times a block, then ask, or abort without a\n"
           "                       terminal), or ignore (read the block again sector by\n"
           "                       sector, at least 4 KiB at a time, and write zeros for\n"
           "                       what stays unreadable)\n"
           "  --list-disks         list the machine's disks\n"
           "  --help               show this text\n"
           "  --version            show the version\n"
           "\n"
           "Every job reports the SHA-256 of the copied data; an image target also gets\n"
           "NAME.sha256 beside it (the image file's hash, for sha256sum -c). A disk target's\n"
           "first MiB is written last, so a copy that fails leaves its first sector blank.\n"
           "\n"
           "The compression type and level and the verify choice are remembered for the\n"
           "next run, in $XDG_CONFIG_HOME/Brevel/Brevel.conf (~/.config/Brevel/Brevel.conf).\n"
           "Ctrl-C or SIGTERM during a copy cancels it; a compressed image is still closed\n"
           "properly.\n"
           "\n"
           "Exit status: 0 completed; 1 refused or failed; 2 usage error; 3 aborted after a\n"
           "read error; 130 interrupted.\n";
}
