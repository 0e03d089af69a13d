#include "CEncodingTarget.h"

#include "CJobError.h"
#include "CTempOutput.h"
#include "fileLocation.h"
#include "interruption.h"
#include "jobs.h"
#include "systemReason.h"

#include "orxa/audio/IAudioChunk.h"
#include "orxa/common/IAudioFormat.h"
#include "orxa/common/IEncoderSettings.h"
#include "orxa/common/IFormatStatus.h"
#include "orxa/common/IOrxaPlugin.h"
#include "orxa/common/workerOptions.h"
#include "tamu/IString.h"
#include "tamu/interfaceCast.h"
#include "tamu/stringConv.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace orxa::host {

CEncodingTarget::CEncodingTarget(orxa::common::IOrxaPlugin& plugin, const Job& job,
                                 const Layout& layout, const EncoderSetup& setup)
    : m_path(job.output) {
    // A FLAC stream is finished by seeking back to its header, which a device or FIFO cannot
    // do: it is made in a temporary file of its own and copied in at the end.
    std::string target = job.target;
    if (job.direct) {
        m_directFd = ::open(job.target.c_str(), O_WRONLY | O_CLOEXEC);
        if (m_directFd < 0)
            throw CJobError(m_path, "cannot open the output: " + systemReason(errno));
        const char* tmp = std::getenv("TMPDIR");
        target = std::string(tmp && *tmp ? tmp : "/tmp") + "/orxa-host.flac";
    }
    m_temp = CJobError::about(
        m_path, [&] { return std::make_unique<CTempOutput>(target, job.mode | 0600); });
    m_reopen = m_temp->reopenPath();
    tamu::P<tamu::IString> location = fileLocation(m_reopen);
    CJobError::about(m_path, m_reopen, [&] {
        orxa::common::FormatOptions options{};
        options.size = sizeof options;
        options.sampleRate = layout.sampleRate;
        options.channels = layout.channels;
        options.bytesPerSample = layout.bytesPerSample;
        m_format = tamu::tryInterfaceCast<orxa::common::IAudioFormat>(
            plugin.createFormat(location, orxa::common::formatKind, 0, &options));
        if (!m_format)
            throw CJobError(m_path, "the plug-in made no audio format");
        configure(setup);
        m_format->open();
        checkStatus();
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

// A call that the format refuses fails with the status's reason added; one that it takes but
// that failed inside (a log line, no throw) fails with the status's text.
template <class F>
void CEncodingTarget::callFormat(F&& call) {
    try {
        CJobError::about(m_path, m_reopen, call);
    } catch (const CJobError& e) {
        throw withReason(e);
    }
    checkStatus();
}

void CEncodingTarget::write(const tamu::P<orxa::audio::IAudioChunk>& chunk) {
    callFormat([&] { m_format->writeAudioChunk(chunk); });
}

int64_t CEncodingTarget::commit() {
    callFormat([&] { m_format->close(); });
    m_format = nullptr;
    struct stat status {};
    int64_t size = ::fstat(m_temp->fd(), &status) == 0 ? status.st_size : -1;
    if (m_directFd >= 0)
        copyInto(m_directFd);
    else
        CJobError::about(m_path, [&] { m_temp->commit(); });
    return size;
}

void CEncodingTarget::copyInto(int fd) {
    char buffer[1 << 16];
    for (off_t at = 0;;) {
        ssize_t got = ::pread(m_temp->fd(), buffer, sizeof buffer, at);
        if (got < 0)
            throw CJobError(m_path, "cannot write the output: " + systemReason(errno));
        if (got == 0)
            return;
        at += got;
        for (ssize_t done = 0; done < got;) {
            ssize_t written = ::write(fd, buffer + done, static_cast<size_t>(got - done));
            if (written < 0) {
                if (errno == EINTR) {
                    CJobError::about(m_path, [] { interruption::check(); });
                    continue;
                }
                throw CJobError(m_path, "cannot write the output: " + systemReason(errno));
            }
            done += written;
        }
    }
}

void CEncodingTarget::configure(const EncoderSetup& setup) {
    if (setup.isPlain())
        return;
    tamu::P<orxa::common::IEncoderSettings> settings =
        tamu::tryInterfaceCast<orxa::common::IEncoderSettings>(m_format);
    // Tags and pictures are never dropped without a word.
    if (!settings)
        throw CJobError(m_path, "the plug-in takes no tags, pictures or encoder settings");
    for (const std::string& tag : setup.tags)
        settings->addTag(tamu::stringConv::fromStd(tag));
    for (const tamu::P<orxa::common::IStreamPicture>& picture : setup.pictures)
        settings->addPicture(picture.get());
    if (setup.padding > 0)
        settings->setPadding(setup.padding);
    if (setup.level >= 0)
        settings->setCompressionLevel(setup.level);
    if (setup.verify)
        settings->setVerify(true);
    if (setup.totalSamples > 0) {
        settings->setTotalSamplesEstimate(setup.totalSamples);
        if (setup.seekSeconds > 0.0)
            settings->setSeekPoints(setup.seekSeconds, setup.totalSamples);
    }
}

// The stream's reason for the format's first failure ("File too large"), named as the user
// knows the file; empty when there is none.
std::string CEncodingTarget::failureReason() const {
    tamu::P<orxa::common::IFormatStatus> status =
        tamu::tryInterfaceCast<orxa::common::IFormatStatus>(m_format);
    tamu::P<tamu::IString> reason = status ? status->getFailureReason() : nullptr;
    return reason ? CJobError::naming(tamu::stringConv::toStdString(*reason), m_reopen, m_path)
                  : std::string();
}

// The format's refusal ("error during FLAC encoding") says that the file is lost, its status
// why.
CJobError CEncodingTarget::withReason(const CJobError& refusal) const {
    const std::string reason = failureReason();
    if (reason.empty() || std::string(refusal.what()).find(reason) != std::string::npos)
        return refusal;
    return CJobError(refusal.file(), refusal.what() + (": " + reason));
}

// The format logs its failures instead of throwing them, and tells them through its status.
void CEncodingTarget::checkStatus() {
    tamu::P<orxa::common::IFormatStatus> status =
        tamu::tryInterfaceCast<orxa::common::IFormatStatus>(m_format);
    if (!status || !status->hasFailed())
        return;
    tamu::P<tamu::IString> failure = status->getFailure();
    throw withReason(CJobError(
        m_path, CJobError::naming(failure ? tamu::stringConv::toStdString(*failure)
                                          : std::string("the output failed"),
                                  m_reopen, m_path)));
}

} // namespace orxa::host
