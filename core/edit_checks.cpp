#include "core/edit_checks.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/record_file.h"

namespace qdx {

const std::string& message_text(const Messages& m, Msg which) {
    switch (which) {
        case Msg::EnterData:
            return m.enterData;
        case Msg::IncorrectValue:
            return m.incorrectValue;
        case Msg::NoRecord:
            return m.noRecord;
        case Msg::NoAffiliate:
            return m.noAffiliate;
        case Msg::CreateRecord:
            return m.createRecord;
        case Msg::SelectValue:
            break;
    }
    return m.selectValue;
}

namespace {
constexpr size_t kFlushSize = 1 << 20;

[[noreturn]] void fail(const std::filesystem::path& target, int err) {
    throw FileError("Cannot write " + target.string() + ": " + std::strerror(err));
}
}  // namespace

AtomicTextFile::AtomicTextFile(std::filesystem::path target) : target_(std::move(target)) {
    temp_ = target_;
    temp_ += ".tmp" + std::to_string(::getpid());
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) fail(target_, errno);
}

AtomicTextFile::~AtomicTextFile() {
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(temp_.c_str());
    }
}

void AtomicTextFile::write(std::string_view bytes) {
    pending_.append(bytes);
    if (pending_.size() >= kFlushSize) flush();
}

void AtomicTextFile::flush() {
    size_t done = 0;
    while (done < pending_.size()) {
        ssize_t n = ::write(fd_, pending_.data() + done, pending_.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail(target_, n < 0 ? errno : ENOSPC);
        done += static_cast<size_t>(n);
    }
    pending_.clear();
}

void AtomicTextFile::commit() {
    flush();
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 || ::rename(temp_.c_str(), target_.c_str()) != 0) {
        int err = errno;
        ::unlink(temp_.c_str());
        fail(target_, err);
    }
}

}  // namespace qdx
