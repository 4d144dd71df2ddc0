#include "remote/DavXml.h"
#include <cstring>
#include <functional>
#include <map>
#include "text/Charset.h"

namespace {

const char kDav[] = "DAV:";
const char kCardDav[] = "urn:ietf:params:xml:ns:carddav";

struct Name {
    std::string ns;
    std::string local;
    bool Is(const char* wantedNs, const char* wantedLocal) const { return ns == wantedNs && local == wantedLocal; }
};

// How many tags go by between two looks at the cancel.
const int kTagsPerCancelCheck = 256;

// Reads a document and reports its elements and their text to the handlers.
class CXmlEvents {
public:
    std::function<void(const Name&)> onStart;
    std::function<void(const Name&)> onEnd;
    std::function<void(const std::string&)> onText;
    DavXml::CancelCheck cancelled;

    DavXml::Outcome Read(const std::string& xml);

private:
    struct Open {
        std::string qname;
        Name name;
        std::vector<std::string> declared;  // the prefixes declared on this element
    };
    std::vector<Open> m_Open;
    // Every prefix in scope, with the namespaces it was bound to from the outside in: a
    // lookup costs the same at any depth.
    std::map<std::string, std::vector<std::string>> m_Prefixes;
    Name m_Root;
    bool m_bCancelled = false;
    int m_nTags = 0;

    bool ReadDocument(const std::string& xml);
    bool ReadTag(const std::string& xml, size_t& pos);
    void Close();
};

bool IsNameChar(char c)
{
    return c != '>' && c != '/' && c != '=' && c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '<';
}

bool DecodeEntities(const std::string& raw, std::string& out)
{
    out.clear();
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '&') {
            out += raw[i];
            continue;
        }
        size_t end = raw.find(';', i);
        if (end == std::string::npos || end - i > 12)
            return false;
        std::string entity = raw.substr(i + 1, end - i - 1);
        if (entity == "lt") out += '<';
        else if (entity == "gt") out += '>';
        else if (entity == "amp") out += '&';
        else if (entity == "quot") out += '"';
        else if (entity == "apos") out += '\'';
        else if (entity.size() > 1 && entity[0] == '#') {
            bool hex = entity[1] == 'x' || entity[1] == 'X';
            std::string digits = entity.substr(hex ? 2 : 1);
            if (digits.empty() || digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") != std::string::npos)
                return false;
            unsigned long code = std::stoul(digits, nullptr, hex ? 16 : 10);
            if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
                return false;
            Charset::AppendUtf8(out, static_cast<char32_t>(code));
        } else {
            return false;
        }
        i = end;
    }
    return true;
}

void CXmlEvents::Close()
{
    for (const std::string& prefix : m_Open.back().declared) {
        auto bound = m_Prefixes.find(prefix);
        bound->second.pop_back();
        if (bound->second.empty())
            m_Prefixes.erase(bound);
    }
    m_Open.pop_back();
}

bool CXmlEvents::ReadTag(const std::string& xml, size_t& pos)
{
    if (++m_nTags % kTagsPerCancelCheck == 0 && cancelled && cancelled()) {
        m_bCancelled = true;
        return false;
    }
    bool closing = xml[pos + 1] == '/';
    size_t p = pos + (closing ? 2 : 1);
    size_t nameStart = p;
    while (p < xml.size() && IsNameChar(xml[p]))
        ++p;
    std::string qname = xml.substr(nameStart, p - nameStart);
    if (qname.empty())
        return false;
    if (closing) {
        while (p < xml.size() && std::strchr(" \t\r\n", xml[p]))
            ++p;
        if (p >= xml.size() || xml[p] != '>' || m_Open.empty() || m_Open.back().qname != qname)
            return false;
        Name name = m_Open.back().name;
        Close();
        if (onEnd)
            onEnd(name);
        pos = p + 1;
        return true;
    }
    if (static_cast<int>(m_Open.size()) >= DavXml::kMaxDepth)
        return false;
    std::map<std::string, std::string> prefixes;
    bool empty = false;
    for (;;) {
        while (p < xml.size() && std::strchr(" \t\r\n", xml[p]))
            ++p;
        if (p >= xml.size())
            return false;
        if (xml[p] == '>')
            break;
        if (xml.compare(p, 2, "/>") == 0) {
            empty = true;
            ++p;
            break;
        }
        size_t attrStart = p;
        while (p < xml.size() && IsNameChar(xml[p]))
            ++p;
        std::string attr = xml.substr(attrStart, p - attrStart);
        if (attr.empty() || p + 1 >= xml.size() || xml[p] != '=' || (xml[p + 1] != '"' && xml[p + 1] != '\''))
            return false;
        char quote = xml[p + 1];
        size_t valueEnd = xml.find(quote, p + 2);
        if (valueEnd == std::string::npos)
            return false;
        std::string value;
        if (!DecodeEntities(xml.substr(p + 2, valueEnd - p - 2), value))
            return false;
        if (attr == "xmlns")
            prefixes[""] = value;
        else if (attr.compare(0, 6, "xmlns:") == 0)
            prefixes[attr.substr(6)] = value;
        p = valueEnd + 1;
    }
    Open open;
    open.qname = qname;
    for (auto& binding : prefixes) {
        m_Prefixes[binding.first].push_back(binding.second);
        open.declared.push_back(binding.first);
    }
    size_t colon = qname.find(':');
    open.name.local = colon == std::string::npos ? qname : qname.substr(colon + 1);
    auto bound = m_Prefixes.find(colon == std::string::npos ? std::string() : qname.substr(0, colon));
    open.name.ns = bound == m_Prefixes.end() ? std::string() : bound->second.back();
    Name name = open.name;
    if (m_Open.empty())
        m_Root = name;
    m_Open.push_back(std::move(open));
    if (onStart)
        onStart(name);
    if (empty) {
        Close();
        if (onEnd)
            onEnd(name);
    }
    pos = p + 1;
    return true;
}

DavXml::Outcome CXmlEvents::Read(const std::string& xml)
{
    bool read = ReadDocument(xml);
    if (m_bCancelled)
        return DavXml::Outcome::Cancelled;
    if (!read)
        return DavXml::Outcome::Malformed;
    return m_Root.Is(kDav, "multistatus") ? DavXml::Outcome::Read : DavXml::Outcome::NotMultistatus;
}

bool CXmlEvents::ReadDocument(const std::string& xml)
{
    m_Open.clear();
    m_Prefixes.clear();
    bool rootSeen = false;
    size_t pos = xml.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (pos < xml.size()) {
        if (xml[pos] != '<') {
            size_t end = xml.find('<', pos);
            std::string raw = xml.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
            if (m_Open.empty()) {
                if (raw.find_first_not_of(" \t\r\n") != std::string::npos)
                    return false;
            } else {
                std::string text;
                if (!DecodeEntities(raw, text))
                    return false;
                if (onText)
                    onText(text);
            }
            pos = end == std::string::npos ? xml.size() : end;
            continue;
        }
        if (xml.compare(pos, 4, "<!--") == 0) {
            size_t end = xml.find("-->", pos + 4);
            if (end == std::string::npos)
                return false;
            pos = end + 3;
        } else if (xml.compare(pos, 9, "<![CDATA[") == 0) {
            size_t end = xml.find("]]>", pos + 9);
            if (end == std::string::npos || m_Open.empty())
                return false;
            if (onText)
                onText(xml.substr(pos + 9, end - pos - 9));
            pos = end + 3;
        } else if (xml.compare(pos, 2, "<?") == 0) {
            size_t end = xml.find("?>", pos + 2);
            if (end == std::string::npos)
                return false;
            pos = end + 2;
        } else if (xml.compare(pos, 2, "<!") == 0) {
            return false;  // a document type declaration
        } else {
            if (pos + 1 >= xml.size())
                return false;
            bool startsRoot = m_Open.empty() && xml[pos + 1] != '/';
            if (startsRoot && rootSeen)
                return false;
            if (!ReadTag(xml, pos))
                return false;
            rootSeen = rootSeen || startsRoot;
        }
    }
    return rootSeen && m_Open.empty();
}

}  // namespace

namespace DavXml {

Outcome ReadResourceType(const std::string& xml, bool& isCollection, bool& isAddressBook, const CancelCheck& cancelled)
{
    isCollection = false;
    isAddressBook = false;
    int inResourceType = 0;
    CXmlEvents events;
    events.cancelled = cancelled;
    events.onStart = [&](const Name& name) {
        if (name.Is(kDav, "resourcetype"))
            ++inResourceType;
        else if (inResourceType && name.Is(kCardDav, "addressbook"))
            isAddressBook = true;
        else if (inResourceType && name.Is(kDav, "collection"))
            isCollection = true;
    };
    events.onEnd = [&](const Name& name) {
        if (name.Is(kDav, "resourcetype"))
            --inResourceType;
    };
    return events.Read(xml);
}

Outcome ReadAddressData(const std::string& xml, std::vector<std::string>& cards, const CancelCheck& cancelled)
{
    cards.clear();
    bool inData = false;
    std::string card;
    CXmlEvents events;
    events.cancelled = cancelled;
    events.onStart = [&](const Name& name) {
        if (name.Is(kCardDav, "address-data")) {
            inData = true;
            card.clear();
        }
    };
    events.onText = [&](const std::string& text) {
        if (inData)
            card += text;
    };
    events.onEnd = [&](const Name& name) {
        if (inData && name.Is(kCardDav, "address-data")) {
            inData = false;
            if (card.find_first_not_of(" \t\r\n") != std::string::npos)
                cards.push_back(card);
        }
    };
    return events.Read(xml);
}

}  // namespace DavXml
