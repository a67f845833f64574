#pragma once

#include <QString>
#include <string>

#include "disks/path_text.h"

// Wide text to and from QString without loss: the escaped bytes of names that
// are not UTF-8 (lone surrogates) stay as they are, where Qt's own conversions
// would replace them.
inline QString ToQString(const std::wstring& text) {
    const std::u16string units = WideToUtf16(text);
    return QString(reinterpret_cast<const QChar*>(units.data()),
                   static_cast<qsizetype>(units.size()));
}

inline std::wstring FromQString(const QString& text) {
    return Utf16ToWide(std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                                      static_cast<std::size_t>(text.size())));
}
