#include "CEncodingTarget.h"

#include "CHostLog.h"
#include "CJobError.h"
#include "CTempOutput.h"
#include "fileLocation.h"
#include "jobs.h"
#include "systemReason.h"

#include "orxa/audio/IAudioChunk.h"
#include "orxa/common/IAudioFormat.h"
#include "orxa/common/IOrxaPlugin.h"
#include "orxa/common/workerOptions.h"
#include "tamu/IString.h"
#include "tamu/interfaceCast.h"
#include "tamu/stringConv.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace orxa::host {

namespace {

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); !from.empty() && at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

} // namespace

template <class F>
decltype(auto) CEncodingTarget::about(F&& work) {
    try {
        return work();
    } catch (const std::exception& e) {
        throw CJobError(m_path, replaced(e.what(), m_location, m_path));
    }
}

CEncodingTarget::CEncodingTarget(orxa::common::IOrxaPlugin& plugin, const Job& job,
                                 const Layout& layout)
    : m_path(job.output) {
    std::string reopen;
    if (job.direct) {
        m_directFd = ::open(job.target.c_str(), O_WRONLY | O_CLOEXEC);
        if (m_directFd < 0)
            throw CJobError(m_path, "cannot open the output: " + systemReason(errno));
        reopen = "/proc/self/fd/" + std::to_string(m_directFd);
    } else {
        m_temp = CJobError::about(
            m_path, [&] { return std::make_unique<CTempOutput>(job.target, job.mode); });
        reopen = m_temp->reopenPath();
    }
    tamu::P<tamu::IString> location = fileLocation(reopen);
    m_location = tamu::stringConv::toStdString(*location);
    about([&] {
        orxa::common::FormatOptions options{};
        options.size = sizeof options;
        options.sampleRate = layout.sampleRate;
        options.channels = layout.channels;
        options.bytesPerSample = layout.bytesPerSample;
        m_format = tamu::tryInterfaceCast<orxa::common::IAudioFormat>(
            plugin.createFormat(location, orxa::common::formatKind, 0, &options));
        if (!m_format)
            throw CJobError(m_path, "the plug-in made no audio format");
        CHostLog::takeThreadFailure();
        m_format->open();
        checkLog();
        if (!m_format->isOpen())
            throw CJobError(m_path, "the plug-in could not open the output");
    });
}

CEncodingTarget::~CEncodingTarget() {
    // The format finishes its stream before the temporary file is removed.
    m_format = nullptr;
    if (m_directFd >= 0)
        ::close(m_directFd);
}

void CEncodingTarget::write(const tamu::P<orxa::audio::IAudioChunk>& chunk) {
    about([&] { m_format->writeAudioChunk(chunk); });
    checkLog();
}

int64_t CEncodingTarget::commit() {
    about([&] { m_format->close(); });
    checkLog();
    m_format = nullptr;
    struct stat status {};
    int fd = m_temp ? m_temp->fd() : m_directFd;
    int64_t size = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) ? status.st_size : -1;
    if (m_temp)
        CJobError::about(m_path, [&] { m_temp->commit(); });
    return size;
}

// The format logs its failures instead of throwing them.
void CEncodingTarget::checkLog() {
    std::string failure = CHostLog::takeThreadFailure();
    if (!failure.empty())
        throw CJobError(m_path, replaced(failure, m_location, m_path));
}

} // namespace orxa::host
