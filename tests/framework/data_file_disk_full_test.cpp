// The data-file writers on a full disk: a small tmpfs mounted for the test,
// filled up, and the files written through the POSIX calls.
#include "DataFileTest.h"

#include "DataFileWriter.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

class PosixFile : public CWritableFile {
public:
    explicit PosixFile(int fd) : m_fd(fd) {}
    ~PosixFile() override { ::close(m_fd); }
    bool Write(std::string_view bytes) override {
        while (!bytes.empty()) {
            ssize_t n = ::write(m_fd, bytes.data(), bytes.size());
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            bytes.remove_prefix(static_cast<size_t>(n));
        }
        return true;
    }
    bool Flush() override { return ::fsync(m_fd) == 0; }

private:
    int m_fd;
};

std::unique_ptr<CWritableFile> Opened(int fd) {
    return fd < 0 ? nullptr : std::make_unique<PosixFile>(fd);
}

class PosixFiles : public CFileOps {
public:
    std::unique_ptr<CWritableFile> Create(const std::string& path) override {
        return Opened(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    }
    std::unique_ptr<CWritableFile> OpenForAppend(const std::string& path, uint64_t* size,
                                                 char* lastByte) override {
        int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        std::unique_ptr<CWritableFile> file = Opened(fd);
        struct stat st;
        if (!file || ::fstat(fd, &st) != 0)
            return nullptr;
        *size = static_cast<uint64_t>(st.st_size);
        *lastByte = 0;
        if (st.st_size > 0 && ::pread(fd, lastByte, 1, st.st_size - 1) != 1)
            *lastByte = '?';
        return file;
    }
    bool Read(const std::string& path, std::string* bytes) override {
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        bytes->clear();
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
            bytes->append(buffer, static_cast<size_t>(n));
        ::close(fd);
        return n == 0;
    }
    bool Exists(const std::string& path) override { return ::access(path.c_str(), F_OK) == 0; }
    bool Rename(const std::string& from, const std::string& to) override {
        return ::rename(from.c_str(), to.c_str()) == 0;
    }
    bool Delete(const std::string& path) override {
        return ::unlink(path.c_str()) == 0 || errno == ENOENT;
    }
};

// A tmpfs of 64 KB, mounted for one test and unmounted after it.
class DiskFull : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0)
            GTEST_SKIP() << "mounting a tmpfs takes root";
        char folder[] = "/tmp/brisko-disk-full-XXXXXX";
        ASSERT_NE(::mkdtemp(folder), nullptr);
        m_strFolder = folder;
        ASSERT_EQ(::mount("tmpfs", folder, "tmpfs", 0, "size=64k"), 0)
            << "cannot mount a tmpfs on " << folder << ": " << std::strerror(errno);
        m_bMounted = true;
    }
    void TearDown() override {
        if (m_bMounted)
            EXPECT_EQ(::umount2(m_strFolder.c_str(), MNT_DETACH), 0);
        if (!m_strFolder.empty())
            ::rmdir(m_strFolder.c_str());
    }

    std::string Path(const char* name) const { return m_strFolder + "/" + name; }

    // Writes a file until no byte more goes in.
    void Fill() {
        auto filler = m_files.Create(Path("filler"));
        ASSERT_TRUE(filler);
        const std::string block(4096, 'x');
        while (filler->Write(block)) {
        }
        while (filler->Write("x")) {
        }
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        if (DIR* dir = ::opendir(m_strFolder.c_str())) {
            while (dirent* entry = ::readdir(dir))
                if (entry->d_name[0] != '.')
                    names.push_back(entry->d_name);
            ::closedir(dir);
        }
        return names;
    }
    bool AnyTemporary() const {
        for (const std::string& name : Names())
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".new") == 0)
                return true;
        return false;
    }

    PosixFiles m_files;
    std::string m_strFolder;
    bool m_bMounted = false;
};

// Each writer goes on until the disk has no room: a rewritten file at once,
// a log once the last block of the file is full.
TEST_F(DiskFull, EveryWriterFailsLeavesTheOldFileAndSucceedsOnceThereIsRoom) {
    for (const WriterCase& c : DataFileCases(m_strFolder + "/")) {
        SCOPED_TRACE(c.name);
        for (const auto& [path, bytes] : c.before)
            ASSERT_TRUE(ReplaceFileContent(m_files, path, bytes));
        Fill();
        Records intact;
        int written = 0;
        for (;;) {
            intact = c.read(m_files);
            ASSERT_TRUE(intact);
            if (!c.write(m_files))
                break;
            ASSERT_LT(++written, 1000) << "the disk never filled";
        }
        EXPECT_EQ(c.read(m_files), intact);
        EXPECT_FALSE(AnyTemporary());
        ASSERT_TRUE(m_files.Delete(Path("filler")));
        ASSERT_TRUE(c.next(m_files));
        EXPECT_EQ(c.read(m_files), c.afterNext(*intact));
        std::printf("disk full, %s: %d writes went in, the next failed and left the file "
                    "readable as before; with room again the next run's write went in\n",
                    c.name.c_str(), written);
        for (const std::string& name : Names())
            m_files.Delete(m_strFolder + "/" + name);
    }
}

} // namespace
