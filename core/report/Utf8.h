// The texts of the core are UTF-16; terminals, pipes, files and reports get
// UTF-8.
#pragma once

#include <string>
#include <string_view>

// text as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);

// UTF-8 text as UTF-16; a byte that does not begin a valid sequence becomes
// U+FFFD.
std::u16string FromUtf8(std::string_view text);

// The number of characters (code points) of text, for lining up columns.
std::size_t CharacterCount(std::u16string_view text);
