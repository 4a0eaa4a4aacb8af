#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

// Byte strings of BIFF2-7 workbooks in the workbook's code page (the CODEPAGE record).
namespace xls {

class CodepageDecoder {
public:
    CodepageDecoder();
    ~CodepageDecoder();
    CodepageDecoder(const CodepageDecoder &) = delete;
    CodepageDecoder &operator=(const CodepageDecoder &) = delete;

    // A code page number as stored in the CODEPAGE record (936, 1252, 32769 ...). An
    // unknown one falls back to 1252, the default of workbooks without the record.
    void setCodepage(int codepage);
    QString decode(const std::uint8_t *bytes, std::size_t length) const;

private:
    void *m_iconv = nullptr; // iconv_t; null: Latin-1 (ASCII and the BIFF8 1200 marker)
};

// iconv name of a code page, or nullptr when its bytes are Latin-1.
const char *codepageName(int codepage);

}
