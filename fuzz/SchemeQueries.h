#pragma once

#include "skin/KVSkin.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Asks a parsed colour scheme every kind of question the toolkit asks, for known and unknown
// windows and objects; every colour must come back opaque.
inline void QueryScheme(const CKVSkin& skin)
{
    for (int wnd : { 0, 101, 105, 118, -1 }) {
        for (int obj : { 0, 1, 4001, -1 }) {
            for (int which = -1; which <= 18; ++which) {
                const std::uint32_t colour = skin.GetSkinColour(wnd, obj, which);
                if (colour >> 24 != 0xFF) {
                    std::fprintf(stderr, "a colour without alpha 255\n");
                    std::abort();
                }
                (void)skin.GetSkinMode(wnd, obj, which);
            }
            (void)skin.GetSkinFont(wnd, obj);
        }
    }
}
