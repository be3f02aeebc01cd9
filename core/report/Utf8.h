// The texts of the core are UTF-16; terminals, pipes, files and reports get
// UTF-8.
#pragma once

#include <string>
#include <string_view>

// text as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);

// UTF-8 text (a file's path, a message) as UTF-16: a byte that does not
// start or continue a valid sequence (a stray byte, an overlong form, a
// surrogate, a code past U+10FFFF) becomes U+FFFD.
std::u16string FromUtf8(std::string_view text);

// The number of characters (code points) of text, for lining up columns.
std::size_t CharacterCount(std::u16string_view text);
