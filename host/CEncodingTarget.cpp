#include "CEncodingTarget.h"

#include "CHostLog.h"
#include "CJobError.h"
#include "CTempOutput.h"
#include "fileLocation.h"

#include "orxa/audio/IAudioChunk.h"
#include "orxa/common/IAudioFormat.h"
#include "orxa/common/IOrxaPlugin.h"
#include "orxa/common/workerOptions.h"
#include "tamu/IString.h"
#include "tamu/interfaceCast.h"

#include <unistd.h>

namespace orxa::host {

CEncodingTarget::CEncodingTarget(orxa::common::IOrxaPlugin& plugin, const std::string& path,
                                 const Layout& layout)
    : m_path(path),
      m_temp(CJobError::about(path, [&] { return std::make_unique<CTempOutput>(path); })) {
    // The format opens the file again by its name.
    ::close(m_temp->releaseFd());
    CJobError::about(m_path, [&] {
        orxa::common::FormatOptions options{};
        options.size = sizeof options;
        options.sampleRate = layout.sampleRate;
        options.channels = layout.channels;
        options.bytesPerSample = layout.bytesPerSample;
        m_format = tamu::tryInterfaceCast<orxa::common::IAudioFormat>(plugin.createFormat(
            fileLocation(m_temp->path()), orxa::common::formatKind, 0, &options));
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
}

void CEncodingTarget::write(const tamu::P<orxa::audio::IAudioChunk>& chunk) {
    CJobError::about(m_path, [&] { m_format->writeAudioChunk(chunk); });
    checkLog();
}

void CEncodingTarget::commit() {
    CJobError::about(m_path, [&] { m_format->close(); });
    checkLog();
    m_format = nullptr;
    CJobError::about(m_path, [&] { m_temp->commit(); });
}

// The format logs its failures instead of throwing them.
void CEncodingTarget::checkLog() {
    std::string failure = CHostLog::takeThreadFailure();
    if (!failure.empty())
        throw CJobError(m_path, failure);
}

} // namespace orxa::host
