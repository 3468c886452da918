#include "platform/coding/Rtfd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <set>
#include <system_error>
#include <vector>

#include "platform/coding/RtfReader.h"
#include "platform/coding/RtfWriter.h"
#include "platform/core/WholeFile.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kFlatMagic = "rtfd";

// An attachment's file name is one plain component: never a path out of the folder.
bool isPlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

// Names the writer can put in a NeXT graphic group and on disk.
std::string safeName(std::string name) {
    for (char& c : name) {
        if (c == '/' || c == '\\' || c == '{' || c == '}' || c == '\0' || c == ';' ||
            static_cast<unsigned char>(c) < 0x20) {
            c = '_';
        }
    }
    while (!name.empty() && name.front() == ' ') name.erase(0, 1);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    if (name.empty() || name == "." || name == "..") name = "Attachment";
    // File systems take 255 bytes; leave room for " 2" and keep a short extension.
    constexpr size_t kMaxName = 200;
    if (name.size() > kMaxName) {
        const size_t dot = name.rfind('.');
        const std::string ext =
            dot != std::string::npos && name.size() - dot <= 16 ? name.substr(dot) : "";
        size_t cut = kMaxName - ext.size();
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
        name = name.substr(0, cut) + ext;
    }
    return name;
}

// "name 2.ext", "name 3.ext", … until unused.
std::string uniqueName(const std::string& name, std::set<std::string>& used) {
    std::string candidate = name;
    const size_t dot = name.rfind('.');
    const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    const std::string ext = stem.size() == name.size() ? "" : name.substr(stem.size());
    for (int n = 2; used.contains(candidate) || candidate == Rtfd::kTextFileName; ++n) {
        candidate = stem + " " + std::to_string(n) + ext;
    }
    used.insert(candidate);
    return candidate;
}

// The files of an RTFD: TXT.rtf first, then the attachments we have the data of, and the
// names of those we don't (a folder, a link, a file too large), which the old folder may have.
struct Files {
    std::vector<std::pair<std::string, std::string>> written;
    std::vector<std::string> kept;
};

Files files(const AttributedString& text, const DocumentAttributes& document) {
    Files out;
    std::set<std::string> used;
    AttributedString renamed;
    for (const AttributedString::Run& r : text.runs()) {
        const auto part = std::u16string_view(text.text()).substr(r.location, r.length);
        const auto& attachment = r.attributes.attachment;
        if (!attachment || !attachment->rtf.empty() ||
            (attachment->fileName.empty() && attachment->contents.empty())) {
            renamed.append(part, r.attributes);
            continue;
        }
        for (size_t i = 0; i < part.size(); ++i) {
            TextAttachment copy = *attachment;
            copy.fileName = uniqueName(safeName(copy.fileName), used);
            if (copy.contents.empty()) {
                out.kept.push_back(copy.fileName);
            } else {
                out.written.emplace_back(copy.fileName, copy.contents);
            }
            TextAttributes attributes = r.attributes;
            attributes.attachment.reset();
            renamed.appendAttachment(std::move(copy), attributes);
        }
    }
    out.written.insert(out.written.begin(),
                       {std::string(Rtfd::kTextFileName), RtfWriter::write(renamed, document)});
    return out;
}

// Reads TXT.rtf through `load`, then gives each named attachment its file's data.
template <class Load>
Result<RtfDocument> assemble(const Load& load) {
    auto rtf = load(std::string(Rtfd::kTextFileName));
    if (!rtf.ok()) return rtf.error();
    auto document = RtfReader::read(*rtf);
    if (!document.ok() || !document->text.hasAttachments()) return document;
    AttributedString text;
    const AttributedString& read = document->text;
    for (const AttributedString::Run& r : read.runs()) {
        const auto part = std::u16string_view(read.text()).substr(r.location, r.length);
        const auto& attachment = r.attributes.attachment;
        if (!attachment || attachment->fileName.empty() || !isPlainName(attachment->fileName)) {
            text.append(part, r.attributes);
            continue;
        }
        TextAttachment copy = *attachment;
        auto data = load(copy.fileName);
        if (data.ok()) copy.contents = std::move(data).value();
        TextAttributes attributes = r.attributes;
        attributes.attachment.reset();
        for (size_t i = 0; i < part.size(); ++i) text.appendAttachment(copy, attributes);
    }
    document->text = std::move(text);
    return document;
}

Error writeError(const fs::path& path, int err) {
    return Error::other(
        "The file \u201c" + path.filename().string() + "\u201d couldn\u2019t be saved.",
        path.string() + ": " + std::strerror(err), Error::kFileWriteUnknown);
}

Status writeFile(const fs::path& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return writeError(path, errno);
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int err = errno;
            ::close(fd);
            return writeError(path, err);
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) return writeError(path, errno);
    return Ok{};
}

}  // namespace

namespace {

// "doc.rtfd/" names the folder too.
fs::path withoutTrailingSlash(const fs::path& folder) {
    return folder.has_filename() || !folder.has_parent_path() ? folder : folder.parent_path();
}

}  // namespace

Result<RtfDocument> Rtfd::read(const fs::path& given) {
    const fs::path folder = withoutTrailingSlash(given);
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        return fs::exists(folder, ec) ? Error::corruptData(folder.string() + " is not a folder")
                                      : Error::noSuchFile(folder.filename().string());
    }
    size_t total = 0;
    return assemble([&](const std::string& name) -> Result<std::string> {
        // A link could point anywhere; writing keeps it as it is instead.
        if (name != kTextFileName && fs::is_symlink(folder / name, ec)) {
            return Error::corruptData(name + " is a symbolic link");
        }
        auto data = WholeFile::contents(folder / name, kMaxSize - total);
        if (data.ok()) total += data->size();
        return data;
    });
}

Status Rtfd::write(const fs::path& given, const AttributedString& text,
                   const DocumentAttributes& document) {
    const fs::path folder = withoutTrailingSlash(given);
    const fs::path parent = folder.parent_path().empty() ? fs::path(".") : folder.parent_path();
    std::string pattern = (parent / ("." + folder.filename().string() + ".XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) return writeError(folder, errno);
    const fs::path temp = pattern;
    auto discard = [&] {
        std::error_code ignored;
        fs::remove_all(temp, ignored);
    };
    const Files contents = files(text, document);
    for (const auto& [name, bytes] : contents.written) {
        if (auto written = writeFile(temp / name, bytes); !written.ok()) {
            discard();
            return written;
        }
    }
    for (const std::string& name : contents.kept) {
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(folder / name, ec))) continue;
        fs::copy(folder / name, temp / name,
                 fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
        if (ec) {
            discard();
            return writeError(folder / name, ec.value());
        }
    }
    // A replaced folder keeps its permissions; a new one gets the usual ones.
    struct stat old {};
    const bool replacing = ::stat(folder.c_str(), &old) == 0;
    ::chmod(temp.c_str(), replacing ? (old.st_mode & 07777) : 0755);
    if (!replacing) {
        if (::rename(temp.c_str(), folder.c_str()) != 0) {
            const int err = errno;
            discard();
            return writeError(folder, err);
        }
        return Ok{};
    }
    if (!S_ISDIR(old.st_mode)) {
        // A plain file where the folder goes: rename can't put a folder over it.
        if (::unlink(folder.c_str()) != 0 || ::rename(temp.c_str(), folder.c_str()) != 0) {
            const int err = errno;
            discard();
            return writeError(folder, err);
        }
        return Ok{};
    }
    // Swap the two folders in one step, then remove the old one, now at the temporary name.
    if (::syscall(SYS_renameat2, AT_FDCWD, temp.c_str(), AT_FDCWD, folder.c_str(),
                  2 /* RENAME_EXCHANGE */) == 0) {
        discard();
        return Ok{};
    }
    // File systems without the exchange: set the old folder aside first.
    const fs::path aside = temp.string() + "-old";
    if (::rename(folder.c_str(), aside.c_str()) != 0) {
        const int err = errno;
        discard();
        return writeError(folder, err);
    }
    if (::rename(temp.c_str(), folder.c_str()) != 0) {
        const int err = errno;
        ::rename(aside.c_str(), folder.c_str());
        discard();
        return writeError(folder, err);
    }
    std::error_code ignored;
    fs::remove_all(aside, ignored);
    return Ok{};
}

namespace {

void putU32(std::string& out, size_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

bool getU32(std::string_view data, size_t& pos, size_t& value) {
    if (data.size() - pos < 4) return false;
    value = 0;
    for (int i = 0; i < 4; ++i) {
        value |= size_t{static_cast<unsigned char>(data[pos + static_cast<size_t>(i)])} << (8 * i);
    }
    pos += 4;
    return true;
}

}  // namespace

// The flat form: "rtfd", a count, then for each file its name and its data, each preceded by
// its length (32-bit little-endian).
std::string Rtfd::flatten(const AttributedString& text, const DocumentAttributes& document) {
    const auto entries = files(text, document).written;
    std::string out(kFlatMagic);
    putU32(out, entries.size());
    for (const auto& [name, bytes] : entries) {
        putU32(out, name.size());
        out += name;
        putU32(out, bytes.size());
        out += bytes;
    }
    return out;
}

Result<RtfDocument> Rtfd::readFlat(std::string_view data) {
    if (data.size() > kMaxSize) return Error::corruptData("RTFD: larger than the limit");
    if (!data.starts_with(kFlatMagic)) return Error::corruptData("RTFD: no rtfd header");
    size_t pos = kFlatMagic.size();
    size_t count = 0;
    if (!getU32(data, pos, count)) return Error::corruptData("RTFD: cut off");
    std::map<std::string, std::string_view, std::less<>> entries;
    for (size_t i = 0; i < count; ++i) {
        size_t nameLength = 0;
        size_t dataLength = 0;
        if (!getU32(data, pos, nameLength) || data.size() - pos < nameLength) {
            return Error::corruptData("RTFD: cut off in entry " + std::to_string(i));
        }
        std::string name(data.substr(pos, nameLength));
        pos += nameLength;
        if (!getU32(data, pos, dataLength) || data.size() - pos < dataLength) {
            return Error::corruptData("RTFD: cut off in entry " + std::to_string(i));
        }
        entries[std::move(name)] = data.substr(pos, dataLength);
        pos += dataLength;
    }
    return assemble([&](const std::string& name) -> Result<std::string> {
        auto it = entries.find(name);
        if (it == entries.end()) return Error::noSuchFile(name);
        return std::string(it->second);
    });
}

}  // namespace platform
