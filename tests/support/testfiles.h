// Scratch folders and whole-file helpers for tests.
#pragma once

#include <string>

// A fresh folder below the test folder's "tmp", removed with everything in it at the end.
class TEMPDIR {
public:
    TEMPDIR();
    ~TEMPDIR();
    TEMPDIR(const TEMPDIR&) = delete;
    TEMPDIR& operator=(const TEMPDIR&) = delete;

    const std::string& Path() const { return path; }
    // Path of name inside the folder.
    std::string File(const std::string& name) const { return path + "\\" + name; }

private:
    std::string path;
};

// Whole-file helpers working on raw bytes (no text-mode translation).
std::string ReadFileBytes(const std::string& file);
bool WriteFileBytes(const std::string& file, const std::string& bytes);
bool FileExistsOnDisk(const std::string& file);
// Removes a folder and everything below it.
void RemoveTree(const std::string& folder);
// The folder of the running test program, and the folder of the built programs.
std::string TestProgramDir();
std::string ProductBinDir();
// Path of a file of the shared test data that lies beside the source tree
// (../shared/testdata/name); says so on stderr when it is missing.
std::string SharedTestData(const std::string& name);
