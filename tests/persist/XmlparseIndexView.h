#pragma once

#include "persist/Xmlparse.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Reads CXmlparse's index, so that tests and the fuzz target can check that the offsets which
// edits keep up to date agree with what parsing the edited text again gives.
struct XmlparseIndexView {
    // Every element in document order: depth and the four offsets.
    static std::vector<std::array<std::int32_t, 5>> Elements(const persist::CXmlparse& xml)
    {
        std::vector<std::array<std::int32_t, 5>> out;
        const auto& elems = xml.m_aElems;
        std::int32_t slot = elems.empty() ? 0 : elems[0].FirstChild;
        std::int32_t depth = 0;
        while (slot != 0) {
            const auto& e = elems[static_cast<std::size_t>(slot)];
            out.push_back({ depth, e.TagOpen, e.TagClose, e.EndOpen, e.EndClose });
            if (e.FirstChild != 0) {
                slot = e.FirstChild;
                ++depth;
                continue;
            }
            while (slot != 0 && elems[static_cast<std::size_t>(slot)].Next == 0) {
                slot = elems[static_cast<std::size_t>(slot)].Parent;
                --depth;
            }
            if (slot != 0)
                slot = elems[static_cast<std::size_t>(slot)].Next;
        }
        return out;
    }

    // Empty when the index matches a fresh parse of the text, else what differs.
    static std::string Mismatch(const persist::CXmlparse& xml)
    {
        persist::CXmlparse fresh;
        if (!fresh.SetText(xml.GetText()))
            return "the text no longer parses: " + fresh.GetLastError();
        const auto edited = Elements(xml);
        const auto parsed = Elements(fresh);
        if (edited.size() != parsed.size())
            return "element count " + std::to_string(edited.size()) + " instead of "
                + std::to_string(parsed.size());
        for (std::size_t i = 0; i < edited.size(); ++i) {
            if (edited[i] != parsed[i]) {
                std::string row = "element " + std::to_string(i) + ":";
                for (std::size_t k = 0; k < 5; ++k)
                    row += " " + std::to_string(edited[i][k]) + "/" + std::to_string(parsed[i][k]);
                return row;
            }
        }
        return {};
    }
};
