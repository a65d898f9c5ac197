#pragma once
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace kyp::test {

// A fresh folder under $KYP_TEST_TMP (or the system temp folder), removed with
// everything in it at the end of the test.
class TestFolder {
public:
    TestFolder() {
        const char* base = std::getenv("KYP_TEST_TMP");
        std::filesystem::path root = base && *base ? base : std::filesystem::temp_directory_path().string();
        std::filesystem::create_directories(root);
        std::string pattern = (root / "kyp-test-XXXXXX").string();
        if (::mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TestFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    [[nodiscard]] const std::string& path() const { return path_; }
    [[nodiscard]] std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Points the settings store at a folder for the life of the object.
class ScopedConfigHome {
public:
    explicit ScopedConfigHome(const std::string& folder) {
        const char* old = std::getenv("KYP_CONFIG_HOME");
        if (old) saved_ = old, hadOld_ = true;
        ::setenv("KYP_CONFIG_HOME", folder.c_str(), 1);
    }
    ~ScopedConfigHome() {
        if (hadOld_)
            ::setenv("KYP_CONFIG_HOME", saved_.c_str(), 1);
        else
            ::unsetenv("KYP_CONFIG_HOME");
    }
    ScopedConfigHome(const ScopedConfigHome&) = delete;
    ScopedConfigHome& operator=(const ScopedConfigHome&) = delete;

private:
    std::string saved_;
    bool hadOld_ = false;
};

}  // namespace kyp::test
