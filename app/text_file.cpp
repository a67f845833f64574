#include "app/text_file.h"

#include <exception>
#include <fstream>
#include <iterator>

#include "disks/path_text.h"

std::wstring ReadTextFile(std::wstring path) {
    try {
        std::ifstream in(WideToUtf8(path), std::ios::in | std::ios::binary);
        if (!in) {
            return {};
        }
        const std::string bytes{std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>()};
        if (in.bad()) {
            return {};
        }
        std::wstring text;
        text.reserve(bytes.size());
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                continue;
            }
            text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i])));
        }
        return text;
    } catch (const std::exception&) {
        return {};
    }
}
