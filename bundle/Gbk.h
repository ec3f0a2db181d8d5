#pragma once
// Conversion between UTF-8 (the program's own text) and GBK (code page 936), the encoding of
// package directories and their "BEG<hex>END" element names.

#include <string>

namespace kel {

// Throws kel::Error when the bytes are not valid GBK.
std::string GbkToUtf8(const std::string& gbk);

// Throws kel::Error naming the text when GBK cannot encode it.
std::string Utf8ToGbk(const std::string& utf8);

// "BEG" + two uppercase hex digits per GBK byte of the display name + "END".
std::string EncodeItemElementName(const std::string& displayNameUtf8);

// The display name inside a "BEG<hex>END" element name; the name itself when it is not of
// that form or does not decode.
std::string DecodeItemElementName(const std::string& elementName);

}  // namespace kel
