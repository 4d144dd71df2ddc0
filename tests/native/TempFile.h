// A file in the system's temporary folder for one test, removed afterwards.
#pragma once
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

class CTempFile {
public:
    CTempFile()
    {
        // Test programs run side by side: a random part keeps their names apart.
        static std::atomic<int> counter{0};
        static const unsigned long long run = (static_cast<unsigned long long>(std::random_device{}()) << 32) ^
                                              std::random_device{}();
        m_path = (std::filesystem::temp_directory_path() /
                  ("velmora-test-" + std::to_string(run) + "-" + std::to_string(counter++) + ".adr"))
                     .string();
    }
    ~CTempFile() { std::remove(m_path.c_str()); }

    const std::string& Path() const { return m_path; }

    void Write(const std::string& bytes) const
    {
        FILE* file = std::fopen(m_path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }

    std::string Read() const
    {
        std::string bytes;
        FILE* file = std::fopen(m_path.c_str(), "rb");
        if (!file)
            return bytes;
        int c;
        while ((c = std::fgetc(file)) != EOF)
            bytes.push_back(static_cast<char>(c));
        std::fclose(file);
        return bytes;
    }

private:
    std::string m_path;
};
