// Helpers for tests of the configuration file formats: byte views of strings and
// tables, folder listings, and a model of what a text-mode read delivers.
#pragma once

#include "hash.h"
#include "strings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// All bytes of s, NUL bytes included ("" for a null string).
std::string BytesOf(const STRING& s);
// The names in a folder, sorted, without "." and "..".
std::vector<std::string> FolderEntries(const std::string& folder);
// What a text-mode read returns for the raw bytes of a file: CR LF becomes LF, and a
// Ctrl-Z (byte 26) ends the text.
std::string TextModeView(const std::string& raw);
// A value as DumpHash shows it: "<null>", or "<binary>" for the flag, then the escaped bytes.
std::string DumpValue(const STRING& s);
// Every part of a table as one comparable text: Handle, Key (or its absence), LockTable,
// and each key and value as escaped bytes with null and binary marks, in table order.
std::string DumpHash(const HASH& h);
// Whether two long texts are equal; when not, says where they first differ and shows
// a short stretch of both there instead of the whole texts.
testing::AssertionResult SameText(const std::string& actual, const std::string& expected);
