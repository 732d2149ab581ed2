// Jet 4's stored text as UTF-8.
//
// Jet 4 keeps text in UTF-16 (little-endian), or "compressed": the bytes FF FE, then runs of
// one-byte characters (U+0001 to U+00FF) and of two-byte ones, each 0 byte switching between
// them. The library converts through iconv's UCS-2, which knows no surrogate pairs and turns every
// character outside the Basic Multilingual Plane into "??", so the text is decoded here.
#pragma once

#include <cstddef>
#include <string>

namespace ornetta::import {

// A lone surrogate (not valid UTF-16) becomes U+FFFD and counts in `replaced` when given.
std::string Jet4TextToUtf8(const unsigned char* bytes, size_t size, size_t* replaced = nullptr);

}  // namespace ornetta::import
