// A tree view for tests: keeps a mirror of the items the store asked for and a log of every
// call, each naming the item by its text ("insert Book/Taro <a@x> data=04000014 img=0/1").
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>
#include "store/AddrView.h"

class CRecordingView : public IAddrView {
public:
    struct Item {
        HTREEITEM parent = nullptr;
        std::string text;
        int image = 0;
        int selectedImage = 0;
        uint32_t data = 0;
        bool expanded = false;
        std::vector<HTREEITEM> children;
    };

    // Handles count up from base; two views with the same base hand out the same handles,
    // as a new window's tree may reuse the addresses of a closed one's.
    explicit CRecordingView(uintptr_t base = 0x1000) : m_nNext(base) {}

    std::map<HTREEITEM, Item> items;
    std::vector<HTREEITEM> roots;
    std::vector<std::string> log;

    HTREEITEM InsertNode(HTREEITEM parent, HTREEITEM after, const char* text, int image, int selectedImage,
                         uint32_t data) override
    {
        HTREEITEM handle = reinterpret_cast<HTREEITEM>(m_nNext++);
        Item item;
        item.parent = parent;
        item.text = text;
        item.image = image;
        item.selectedImage = selectedImage;
        item.data = data;
        items[handle] = item;
        std::vector<HTREEITEM>& siblings = Siblings(parent);
        std::string place;
        if (after == InsertFirst()) {
            siblings.insert(siblings.begin(), handle);
            place = " first";
        } else {
            auto at = std::find(siblings.begin(), siblings.end(), after);
            if (after != InsertLast())
                place = " after " + (at == siblings.end() ? std::string("?") : items.at(after).text);
            siblings.insert(at == siblings.end() ? siblings.end() : at + 1, handle);
        }
        char line[64];
        std::snprintf(line, sizeof line, " data=%08X img=%d/%d", static_cast<unsigned>(data),
                      image, selectedImage);
        log.push_back("insert " + Path(handle) + line + place);
        return handle;
    }

    void DeleteItem(HTREEITEM handle) override
    {
        log.push_back("delete " + Path(handle));
        std::vector<HTREEITEM>& siblings = Siblings(items.at(handle).parent);
        siblings.erase(std::find(siblings.begin(), siblings.end(), handle));
        Erase(handle);
    }

    void SetItemText(HTREEITEM handle, const char* text) override
    {
        log.push_back("text " + Path(handle) + " -> " + text);
        items.at(handle).text = text;
    }

    void SetItemData(HTREEITEM handle, uint32_t data) override
    {
        char line[32];
        std::snprintf(line, sizeof line, " %08X", static_cast<unsigned>(data));
        log.push_back("data " + Path(handle) + line);
        items.at(handle).data = data;
    }

    void Expand(HTREEITEM handle) override
    {
        log.push_back("expand " + Path(handle));
        items.at(handle).expanded = true;
    }

    // One level (0: the top level) in key order, as the window re-sorts the books after
    // moving one.
    void SortLevel(HTREEITEM parent) override
    {
        log.push_back("sort " + (parent ? Path(parent) : std::string("(top)")));
        std::vector<HTREEITEM>& level = Siblings(parent);
        std::stable_sort(level.begin(), level.end(), [this](HTREEITEM a, HTREEITEM b) {
            return (items.at(a).data & 0xFFFFFF) < (items.at(b).data & 0xFFFFFF);
        });
    }

    // The shown tree as "Book[Folder[Taro <a@x>],Hanako <b@x>]", books separated by "|".
    std::string Dump() const
    {
        std::string out;
        for (size_t i = 0; i < roots.size(); ++i) {
            if (i)
                out += "|";
            DumpItem(roots[i], out);
        }
        return out;
    }

    std::string Path(HTREEITEM handle) const
    {
        const Item& item = items.at(handle);
        return item.parent ? Path(item.parent) + "/" + item.text : item.text;
    }

private:
    uintptr_t m_nNext;

    std::vector<HTREEITEM>& Siblings(HTREEITEM parent)
    {
        return parent ? items.at(parent).children : roots;
    }

    void Erase(HTREEITEM handle)
    {
        for (HTREEITEM child : items.at(handle).children)
            Erase(child);
        items.erase(handle);
    }

    void DumpItem(HTREEITEM handle, std::string& out) const
    {
        const Item& item = items.at(handle);
        out += item.text;
        if (item.children.empty())
            return;
        out += "[";
        for (size_t i = 0; i < item.children.size(); ++i) {
            if (i)
                out += ",";
            DumpItem(item.children[i], out);
        }
        out += "]";
    }
};
