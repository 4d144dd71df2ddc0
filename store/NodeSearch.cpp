#include "store/NodeSearch.h"
#include "store/Sjis.h"

namespace {

unsigned char FoldAscii(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// pattern stands at text, compared character by character: a double-byte character
// exactly, a single byte without ASCII case. Trail bytes are never folded, since many of
// them are letters. Both texts end with NUL, so a mismatch always comes before either end.
bool MatchesAt(const unsigned char* text, const unsigned char* pattern)
{
    while (*pattern) {
        if (IsSjisLeadByte(*pattern) && pattern[1]) {
            if (text[0] != pattern[0] || text[1] != pattern[1])
                return false;
            text += 2;
            pattern += 2;
        } else {
            if (FoldAscii(*text) != FoldAscii(*pattern))
                return false;
            ++text;
            ++pattern;
        }
    }
    return true;
}

ADTDATA* Step(ADTDATA* node, bool forward, const ADTDATA* root)
{
    return forward ? NextPreOrder(node, root) : PrevPreOrder(node);
}

}  // namespace

bool ContainsText(const char* text, const char* pattern)
{
    if (!text || !pattern || !*pattern)
        return false;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(pattern);
    const unsigned char first = FoldAscii(*p);
    for (const unsigned char* t = reinterpret_cast<const unsigned char*>(text); *t;) {
        if (FoldAscii(*t) == first && MatchesAt(t, p))
            return true;
        t += (IsSjisLeadByte(*t) && t[1]) ? 2 : 1;
    }
    return false;
}

bool NodeMatches(const ADTDATA* node, const char* pattern, FindScope scope)
{
    if (scope != FIND_ADDRESS && ContainsText(node->psName, pattern))
        return true;
    return scope != FIND_NAME && node->cType == ADT_ADDR && ContainsText(node->psAddr, pattern);
}

FindResult FindNode(CAddrBook& store, ADTDATA* from, const char* pattern, FindScope scope, bool forward)
{
    FindResult result;
    if (!pattern || !*pattern)
        return result;
    const ADTDATA* root = &store.m_Root;
    ADTDATA* start = forward ? store.FirstBook() : LastPreOrder(store);
    for (ADTDATA* node = from ? Step(from, forward, root) : start; node; node = Step(node, forward, root)) {
        if (NodeMatches(node, pattern, scope)) {
            result.node = node;
            return result;
        }
    }
    if (!from)
        return result;
    for (ADTDATA* node = start; node; node = Step(node, forward, root)) {
        if (NodeMatches(node, pattern, scope)) {
            result.node = node;
            result.wrapped = true;
            return result;
        }
        if (node == from)
            break;
    }
    return result;
}
