// Text from files others wrote, made fit for what needs UTF-8 (cairo's text, JSON).
// Panel files and gauge parameters of the simulator's generation are in the Windows
// code page 1252; newer ones may be UTF-8.
#pragma once

#include <string>
#include <string_view>

// The text as it stands when it is valid UTF-8; otherwise every byte read as code page
// 1252 (the five bytes that page leaves undefined become U+FFFD). Control characters
// other than tab become U+FFFD either way, so nothing invisible reaches a picture.
std::string utf8_text(std::string_view bytes);

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool valid_utf8(std::string_view bytes);
