// The reader's rules for one line of an AL-MAIL address file, and the split of a file's
// bytes into lines. ReadList, the book's base and the merge of a file changed by someone
// else all read through these, so a file means the same to each of them.
#pragma once
#include <cstddef>
#include <string_view>

struct AddrLine {
    enum Kind { FOLDER_START, FOLDER_END, ADDRESS, OTHER };
    Kind kind = OTHER;
    std::string_view name;  // folder or address name (views into the line)
    std::string_view text;  // address text
};

// What a line (without its line end) is: a folder start ("Group" and a blank, a tab or the
// end, in any case, after leading blanks), a folder end ("End group" likewise), an address
// ("name: text", the name up to the first ":", the text after it without leading blanks),
// or a line to skip.
AddrLine ParseAddrLine(std::string_view line);

// Whether text reads as an address file: most of its first lines that hold more than blanks
// are folder lines or address lines whose text holds an "@" (or nothing), so that a comment
// such as "Friends, family" may stand among them, but a CSV or tab-separated row with a URL
// or a time of day does not pass for an address. False for a text of blanks only.
bool ReadsAsAddressFile(std::string_view text);

// Whether text is a whole address file: empty, or ending with a line end (before a Ctrl+Z
// end mark), with every folder closed. A file that ends inside a line or inside a folder
// was cut short (a crash, a copy or a sync in progress): it is never taken for deletions.
bool IsCompleteAddressText(std::string_view text);

// Walks the lines of a file's bytes as CLineReader reads them from the file: a line ends
// at LF, a CR just before the LF belongs to the line end, a byte 0x1A ends the file.
class CByteLines {
public:
    explicit CByteLines(std::string_view bytes);

    // The next line without its line end; false at the end.
    bool Next(std::string_view& line);

private:
    std::string_view m_Bytes;  // up to the end mark
    size_t m_nPos = 0;
};
