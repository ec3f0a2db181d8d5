#include "Gbk.h"

#include <errno.h>
#include <iconv.h>

#include <optional>

#include "Convert.h"
#include "Error.h"

namespace kel {

namespace {

class Converter {
  public:
    Converter(const char* to, const char* from) : FHandle(iconv_open(to, from)) {
        if (FHandle == reinterpret_cast<iconv_t>(-1))
            throw Error(Format("the text conversion from %s to %s is not available", from, to));
    }
    ~Converter() { iconv_close(FHandle); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // The whole text converted, or empty when some byte sequence has no counterpart.
    std::optional<std::string> Convert(const std::string& text) {
        std::string out;
        char buffer[4096];
        char* in = const_cast<char*>(text.data());
        size_t inLeft = text.size();
        while (true) {
            char* next = buffer;
            size_t outLeft = sizeof buffer;
            // The final call with no input flushes any pending shift state.
            const size_t status = inLeft > 0 ? iconv(FHandle, &in, &inLeft, &next, &outLeft)
                                             : iconv(FHandle, nullptr, nullptr, &next, &outLeft);
            out.append(buffer, static_cast<size_t>(next - buffer));
            if (status != static_cast<size_t>(-1)) {
                if (inLeft == 0 && next == buffer)
                    return out;
                continue;
            }
            if (errno != E2BIG)
                return std::nullopt;
        }
    }

  private:
    iconv_t FHandle;
};

std::string HexByte(unsigned char byte) {
    static const char kDigits[] = "0123456789ABCDEF";
    return {kDigits[byte >> 4], kDigits[byte & 15]};
}

}  // namespace

std::string GbkToUtf8(const std::string& gbk) {
    if (auto text = Converter("UTF-8", "GBK").Convert(gbk))
        return *text;
    throw Error("the text is not valid GBK");
}

std::string Utf8ToGbk(const std::string& utf8) {
    if (auto text = Converter("GBK", "UTF-8").Convert(utf8))
        return *text;
    throw Error(Format("'%s' cannot be written in GBK", utf8.c_str()));
}

std::string EncodeItemElementName(const std::string& displayNameUtf8) {
    std::string name = "BEG";
    for (char c : Utf8ToGbk(displayNameUtf8))
        name += HexByte(static_cast<unsigned char>(c));
    return name + "END";
}

std::string DecodeItemElementName(const std::string& elementName) {
    constexpr size_t kAffix = 3;
    if (elementName.size() < 2 * kAffix || !elementName.starts_with("BEG") ||
        !elementName.ends_with("END") || elementName.size() % 2 != 0)
        return elementName;
    std::string gbk;
    for (size_t i = kAffix; i + kAffix < elementName.size(); i += 2) {
        const int high = HexDigitValue(elementName[i]);
        const int low = HexDigitValue(elementName[i + 1]);
        if (high < 0 || low < 0)
            return elementName;
        gbk += static_cast<char>(high * 16 + low);
    }
    if (auto text = Converter("UTF-8", "GBK").Convert(gbk))
        return *text;
    return elementName;
}

}  // namespace kel
