// The data-file writers killed at every step and at every byte of every
// write, in a file system kept in memory: once as the process dies (what it
// wrote stays with the system), once as the power goes (only what reached the
// disk stays; renames and new names are kept at once, the worst order). The
// files are then read back with the program's own parsers, and written again
// as after a restart.
#include "DataFileTest.h"

#include "DataFileWriter.h"
#include "RecordLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

namespace {

class CrashingFiles : public CFileOps {
public:
    struct Node {
        std::string data;   // as the system has it
        std::string onDisk; // as a power cut leaves it
    };

    // The process dies before step `crashAt` (never when negative).
    explicit CrashingFiles(long long crashAt = -1) : m_crashAt(crashAt) {}

    void Put(const std::string& path, const std::string& bytes) {
        m_names[path] = std::make_shared<Node>(Node{bytes, bytes});
    }
    long long Steps() const { return m_steps; }
    bool Dead() const { return m_bDead; }
    // Started again, after the power went too when powerCut.
    void Restart(bool powerCut) {
        if (powerCut)
            for (auto& [path, node] : m_names)
                node->data = node->onDisk;
        m_bDead = false;
        m_crashAt = -1;
    }
    bool AnyTemporary() const {
        for (const auto& [path, node] : m_names)
            if (path.size() > 4 && path.compare(path.size() - 4, 4, ".new") == 0)
                return true;
        return false;
    }

    std::unique_ptr<CWritableFile> Create(const std::string& path) override {
        if (!Step())
            return nullptr;
        std::shared_ptr<Node>& node = m_names[path];
        if (!node)
            node = std::make_shared<Node>();
        node->data.clear();
        return std::make_unique<File>(*this, node);
    }
    std::unique_ptr<CWritableFile> OpenForAppend(const std::string& path, uint64_t* size,
                                                 char* lastByte) override {
        if (!Step())
            return nullptr;
        std::shared_ptr<Node>& node = m_names[path];
        if (!node)
            node = std::make_shared<Node>();
        *size = node->data.size();
        *lastByte = node->data.empty() ? 0 : node->data.back();
        return std::make_unique<File>(*this, node);
    }
    bool Read(const std::string& path, std::string* bytes) override {
        auto found = m_names.find(path);
        if (!Step() || found == m_names.end())
            return false;
        *bytes = found->second->data;
        return true;
    }
    bool Exists(const std::string& path) override { return m_names.count(path) != 0; }
    bool Rename(const std::string& from, const std::string& to) override {
        auto found = m_names.find(from);
        if (!Step() || found == m_names.end())
            return false;
        m_names[to] = found->second;
        m_names.erase(from);
        return true;
    }
    bool Delete(const std::string& path) override { return Step() && m_names.erase(path) != 0; }

private:
    class File : public CWritableFile {
    public:
        File(CrashingFiles& files, std::shared_ptr<Node> node)
            : m_files(files), m_pNode(std::move(node)) {}
        bool Write(std::string_view bytes) override {
            // A crash at byte k leaves the write torn after k bytes.
            for (char c : bytes) {
                if (!m_files.Step())
                    return false;
                m_pNode->data += c;
            }
            return true;
        }
        bool Flush() override {
            if (!m_files.Step())
                return false;
            m_pNode->onDisk = m_pNode->data;
            return true;
        }

    private:
        CrashingFiles& m_files;
        std::shared_ptr<Node> m_pNode;
    };

    // False from the crash on: a dead process does nothing more.
    bool Step() {
        if (!m_bDead && m_steps++ == m_crashAt)
            m_bDead = true;
        return !m_bDead;
    }

    std::map<std::string, std::shared_ptr<Node>> m_names;
    long long m_crashAt;
    long long m_steps = 0;
    bool m_bDead = false;
};

// Every case at every crash point, both ways.
TEST(DataFileCrash, EveryFileReadsBackOldOrNewAndTheNextWriteSucceeds) {
    for (const WriterCase& c : DataFileCases("data/")) {
        SCOPED_TRACE(c.name);
        CrashingFiles clean;
        for (const auto& [path, bytes] : c.before)
            clean.Put(path, bytes);
        const Records before = c.read(clean);
        ASSERT_TRUE(before);
        const long long start = clean.Steps();
        ASSERT_TRUE(c.write(clean));
        const long long points = clean.Steps() - start;
        std::vector<Records> allowed = {before, c.read(clean)};
        if (c.rotated)
            allowed.push_back(c.rotated());
        for (long long k = 0; k < points; ++k) {
            for (bool powerCut : {false, true}) {
                SCOPED_TRACE("crash before step " + std::to_string(k) +
                             (powerCut ? ", power cut" : ", process killed"));
                CrashingFiles files(k);
                for (const auto& [path, bytes] : c.before)
                    files.Put(path, bytes);
                EXPECT_FALSE(c.write(files));
                ASSERT_TRUE(files.Dead());
                files.Restart(powerCut);
                const Records after = c.read(files);
                ASSERT_TRUE(after) << "broken";
                EXPECT_NE(std::count(allowed.begin(), allowed.end(), after), 0)
                    << "read back: " << ::testing::PrintToString(*after);
                ASSERT_TRUE(c.next(files));
                EXPECT_EQ(c.read(files), c.afterNext(*after));
                // A rotation cut short leaves its temporary file to the next one.
                if (!c.rotated)
                    EXPECT_FALSE(files.AnyTemporary());
            }
        }
        std::printf("%s: %lld crash points, each as a kill and as a power cut\n", c.name.c_str(),
                    points);
    }
}

} // namespace
