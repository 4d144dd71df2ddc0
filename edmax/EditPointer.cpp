#include "edmax/EditPointer.h"

#include "edmax/MailAddressFinder.h"

namespace {

// The edit's text as UTF-16, and how to turn the control's character positions into indexes
// of it. Wine's edit control counts UTF-16 units; an ANSI edit control on Windows keeps a
// Shift-JIS buffer and counts bytes. The control's own idea of the text length tells which.
class EditText {
public:
    explicit EditText(HWND hEdit)
    {
        int length = GetWindowTextLengthW(hEdit);
        m_wide.assign(static_cast<size_t>(length) + 1, L'\0');
        m_wide.resize(static_cast<size_t>(GetWindowTextW(hEdit, &m_wide[0], length + 1)));

        LRESULT lines = SendMessageA(hEdit, EM_GETLINECOUNT, 0, 0);
        LRESULT lastStart = SendMessageA(hEdit, EM_LINEINDEX, lines > 0 ? lines - 1 : 0, 0);
        LRESULT end = lastStart + SendMessageA(hEdit, EM_LINELENGTH, lastStart, 0);
        if (static_cast<size_t>(end) != m_wide.size()) {
            int ansiLength = GetWindowTextLengthA(hEdit);
            m_ansi.assign(static_cast<size_t>(ansiLength) + 1, '\0');
            m_ansi.resize(static_cast<size_t>(GetWindowTextA(hEdit, &m_ansi[0], ansiLength + 1)));
            m_bByteUnits = true;
        }
    }

    const std::wstring& Wide() const { return m_wide; }

    size_t WideIndex(size_t position) const
    {
        if (!m_bByteUnits)
            return position;
        int bytes = static_cast<int>(position < m_ansi.size() ? position : m_ansi.size());
        return static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, m_ansi.data(), bytes, NULL, 0));
    }

private:
    std::wstring m_wide;
    std::string m_ansi;
    bool m_bByteUnits = false;
};

int LineHeight(HWND hEdit)
{
    HDC hdc = GetDC(hEdit);
    HGDIOBJ hOld = SelectObject(hdc, reinterpret_cast<HFONT>(SendMessageA(hEdit, WM_GETFONT, 0, 0)));
    TEXTMETRICA tm = {};
    GetTextMetricsA(hdc, &tm);
    SelectObject(hdc, hOld);
    ReleaseDC(hEdit, hdc);
    return tm.tmHeight > 0 ? tm.tmHeight : 16;
}

// EM_POSFROMCHAR: the top-left corner of a character; false past the end of the text.
bool PositionOf(HWND hEdit, size_t position, POINT* pPoint)
{
    LRESULT result = SendMessageA(hEdit, EM_POSFROMCHAR, position, 0);
    if (result == -1)
        return false;
    pPoint->x = static_cast<short>(LOWORD(result));
    pPoint->y = static_cast<short>(HIWORD(result));
    return true;
}

}  // namespace

std::string MailAddressUnderPoint(HWND hEdit, POINT pt)
{
    LRESULT found = SendMessageA(hEdit, EM_CHARFROMPOS, 0, MAKELPARAM(pt.x, pt.y));
    if (found == -1)
        return std::string();
    // Both halves are 16 bits; the line's start puts the character position back in range.
    LRESULT lineStart = SendMessageA(hEdit, EM_LINEINDEX, HIWORD(found), 0);
    if (lineStart < 0)
        return std::string();
    size_t start = static_cast<size_t>(lineStart);
    size_t position = (start & ~size_t(0xFFFF)) | LOWORD(found);
    if (position < start)
        position += 0x10000;
    size_t lineEnd = start + static_cast<size_t>(SendMessageA(hEdit, EM_LINELENGTH, start, 0));

    // EM_CHARFROMPOS gives the character boundary nearest to the point: the character under
    // the point is the one before it when the point lies left of that boundary.
    size_t under = position;
    POINT corner;
    if (!PositionOf(hEdit, position, &corner) || pt.x < corner.x) {
        if (position == start)
            return std::string();
        under = position - 1;
    }
    if (under < start || under >= lineEnd)
        return std::string();  // right of the line's end
    if (!PositionOf(hEdit, under, &corner) || pt.y < corner.y ||
        pt.y >= corner.y + LineHeight(hEdit))
        return std::string();  // below the last line

    EditText text(hEdit);
    return FindMailAddressAt(text.Wide(), text.WideIndex(under));
}

std::string MailAddressAtCaret(HWND hEdit)
{
    DWORD selStart = 0;
    SendMessageA(hEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart), 0);
    EditText text(hEdit);
    size_t caret = text.WideIndex(selStart);
    std::string address = FindMailAddressAt(text.Wide(), caret);
    if (address.empty() && caret > 0)
        address = FindMailAddressAt(text.Wide(), caret - 1);
    return address;
}
