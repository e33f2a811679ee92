// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FolderWalk.h"

#include "base/UniqueFd.h"

#include <cerrno>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>

namespace kelvara {

namespace {

// Closes a directory stream (and with it the folder's descriptor) on every
// way out of a folder's enumeration.
struct TDirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

// A walk holds one descriptor per level, for the folder it is reading at
// that level. At most this many are held at once: below that depth a
// folder's remaining entries are read into memory and its descriptor given
// up before going down, so that no tree, however deep, takes the
// descriptors the rest of the program needs (photos, sockets, windows).
constexpr std::size_t MaxOpenFolders = 64;

bool OutOfDescriptors(int error) {
    return error == EMFILE || error == ENFILE;
}

// A folder entry the walk acts on: a folder to go down into or a file (a
// link to a file included) to report.
struct TEntry {
    std::string name;
    bool folder = false;
};

// What the walk makes of the entry `name` of the open folder `dirFd`: links
// to folders, special files and entries gone meanwhile are passed by.
std::optional<TEntry> Classify(int dirFd, const dirent& entry) {
    const char* name = entry.d_name;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
        return std::nullopt;
    unsigned char type = entry.d_type;
    struct stat info {};
    if (type == DT_UNKNOWN) {
        if (fstatat(dirFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            return std::nullopt;
        type = S_ISDIR(info.st_mode)   ? DT_DIR
               : S_ISREG(info.st_mode) ? DT_REG
               : S_ISLNK(info.st_mode) ? DT_LNK
                                       : DT_UNKNOWN;
    }
    if (type == DT_LNK) {
        // Follow a link only to learn whether it leads to a file; a link
        // to a folder is not walked.
        if (fstatat(dirFd, name, &info, 0) != 0 || !S_ISREG(info.st_mode))
            return std::nullopt;
        type = DT_REG;
    }
    if (type != DT_DIR && type != DT_REG)
        return std::nullopt;
    return TEntry{name, type == DT_DIR};
}

// Opens the folder at `path` as openat(..., O_NOFOLLOW) would below its
// parent: a link in its place is not followed.
TUniqueFd OpenFolderByPath(const std::string& path) {
    return TUniqueFd(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

class TWalk {
public:
    explicit TWalk(IFolderWalkVisitor& visitor) : m_visitor(visitor) {}

    // Walks the open folder `folder` whose path (ending in '/') is in `dir`;
    // `dir` is extended and restored on the way down.
    void Folder(TUniqueFd folder, std::string& dir);

private:
    IFolderWalkVisitor& m_visitor;
    std::size_t m_openFolders = 0;
};

void TWalk::Folder(TUniqueFd folder, std::string& dir) {
    std::unique_ptr<DIR, TDirCloser> stream(fdopendir(folder.get()));
    if (!stream) {
        m_visitor.FolderFailed(dir, std::strerror(errno));
        return;
    }
    // The stream closes the descriptor now.
    folder.release();
    ++m_openFolders;
    // Gives up this level's descriptor: what is left of the folder is read
    // into `rest`, in the order it comes, and the walk goes on from there.
    std::deque<TEntry> rest;
    const auto giveUpFolder = [&] {
        const int dirFd = dirfd(stream.get());
        while (const dirent* entry = readdir(stream.get()))
            if (auto taken = Classify(dirFd, *entry))
                rest.push_back(std::move(*taken));
        stream.reset();
        --m_openFolders;
    };
    const std::size_t base = dir.size();
    for (;;) {
        if (m_visitor.Aborted())
            break;
        TEntry entry;
        if (stream) {
            const dirent* next = readdir(stream.get());
            if (next == nullptr)
                break;
            auto taken = Classify(dirfd(stream.get()), *next);
            if (!taken)
                continue;
            entry = std::move(*taken);
        } else {
            if (rest.empty())
                break;
            entry = std::move(rest.front());
            rest.pop_front();
        }
        dir.append(entry.name);
        if (entry.folder) {
            if (stream && m_openFolders >= MaxOpenFolders)
                giveUpFolder();
            TUniqueFd child =
                stream ? TUniqueFd(openat(dirfd(stream.get()), entry.name.c_str(),
                                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC))
                       : OpenFolderByPath(dir);
            if (!child.valid() && OutOfDescriptors(errno) && stream) {
                // Out of descriptors (a low limit, or the rest of the program
                // holds many): this level's own goes, and the folder is
                // opened by its path instead of being passed by.
                giveUpFolder();
                child = OpenFolderByPath(dir);
            }
            if (child.valid()) {
                dir.push_back('/');
                Folder(std::move(child), dir);
            } else {
                m_visitor.FolderFailed(dir, std::strerror(errno));
            }
        } else {
            m_visitor.FileFound(dir);
        }
        dir.resize(base);
    }
    if (stream)
        --m_openFolders;
}

} // namespace

TPathKind PathKindOf(const std::string& path) {
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0)
        return TPathKind::None;
    return S_ISDIR(info.st_mode) ? TPathKind::Folder : TPathKind::File;
}

void WalkFolder(const std::string& folder, IFolderWalkVisitor& visitor) {
    std::string dir = folder;
    if (dir.empty())
        return;
    if (dir.back() != '/')
        dir.push_back('/');
    // The folder itself may be reached through a link (the user named it);
    // below it, links to folders are never followed.
    TUniqueFd opened(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!opened.valid()) {
        visitor.FolderFailed(dir, std::strerror(errno));
        return;
    }
    TWalk(visitor).Folder(std::move(opened), dir);
}

} // namespace kelvara
