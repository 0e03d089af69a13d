#pragma once

#include "tamu/CURI.h"
#include "tamu/CURIError.h"
#include "tamu/IString.h"
#include "tamu/IURI.h"
#include "tamu/P.h"
#include "tamu/stringConv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

// The message of the E that `action` throws; another exception propagates.
template <class E, class F>
std::string thrownMessage(F&& action) {
    try {
        action();
    } catch (const E& error) {
        return tamu::stringConv::toStdString(*error.getMessage());
    }
    return "<nothing thrown>";
}

// Whether `action` fails as a refused lock does: a CError, but no CFileError (the file exists
// and could be opened).
template <class F>
bool refusedAsInUse(F&& action) {
    try {
        action();
    } catch (const tamu::CFileError&) {
        return false;
    } catch (const tamu::CError&) {
        return true;
    }
    return false;
}

// A folder of its own for each test, removed with everything in it afterwards.
class DiskTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = std::filesystem::temp_directory_path() / "tamu-disk-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
    }

    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

    std::string pathOf(const std::string& name) const { return m_folder + "/" + name; }

    // With the "file" scheme, as the stream manager's callers pass it, or the bare path.
    tamu::P<tamu::IURI> fileURI(const std::string& name) const {
        return tamu::make<tamu::CURI>("file", pathOf(name).c_str(), "", "", "", "", "");
    }
    tamu::P<tamu::IURI> pathURI(const std::string& name) const {
        return tamu::make<tamu::CURI>(pathOf(name).c_str());
    }

    void writeFile(const std::string& name, const std::string& content) const {
        std::ofstream(pathOf(name), std::ios::binary) << content;
    }

    std::string readFile(const std::string& name) const {
        std::ifstream in(pathOf(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    bool exists(const std::string& name) const { return std::filesystem::exists(pathOf(name)); }

    std::string m_folder;
};
