#include "app/text_file.h"

std::wstring TextOfBytes(const std::string& bytes) {
    std::wstring text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            continue;
        }
        text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i])));
    }
    return text;
}
