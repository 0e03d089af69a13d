#pragma once

// Streams that fail on purpose. A factory answers URIs of the scheme "failing" (failing:NAME)
// with the disk file NAME of a folder, opened through the stream manager as usual and wrapped
// so that a chosen call of read, write, seek or tell throws, or so that reads hand over only a
// few bytes at a time. Since a real descriptor stands behind each stream, a worker that forgets
// to close one on its way out shows in the process's descriptor count.

#include "tamu/CException.h"
#include "tamu/CObject.h"
#include "tamu/CStreamFactory.h"
#include "tamu/CURI.h"
#include "tamu/ISeekableInStream.h"
#include "tamu/ISeekableOutStream.h"
#include "tamu/ISeekableIOStream.h"
#include "tamu/IStreamManager.h"
#include "tamu/IStreamMarker.h"
#include "tamu/IURI.h"
#include "tamu/stringConv.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace faulty {

enum class Operation { none, read, write, seek, tell };

struct Fault {
    Operation operation = Operation::none;
    // The first failing call of that operation, counted from 1 for each stream.
    int call = 1;
    // Only that call fails; otherwise every later one fails too, as when a medium goes away.
    bool once = false;
    // When above 0, no read hands over more than this many bytes (a slow pipe or socket).
    int32_t readLimit = 0;
};

// The text each operation fails with.
inline const char* failureText(Operation operation) {
    switch (operation) {
    case Operation::read:
        return "the medium went away";
    case Operation::write:
        return "no room on the medium";
    case Operation::seek:
        return "cannot seek here";
    case Operation::tell:
        return "cannot tell here";
    case Operation::none:
        break;
    }
    return "";
}

// One open file, read or written, that fails as its fault says. Everything the fault does not
// name passes straight to the file's own stream.
class CFaultyStream : public tamu::CObject,
                      public virtual tamu::ISeekableInStream,
                      public virtual tamu::ISeekableOutStream {
public:
    CFaultyStream(tamu::P<tamu::ISeekableInStream> in, tamu::P<tamu::ISeekableOutStream> out,
                  const Fault& fault)
        : m_in(std::move(in)), m_out(std::move(out)), m_fault(fault) {}

    int64_t getPosition() const override {
        check(Operation::tell, m_tells);
        return base().getPosition();
    }
    int64_t getLength() const override { return base().getLength(); }
    bool isClosed() const override { return base().isClosed(); }
    void close() override { base().close(); }
    tamu::P<tamu::IURI> getURI() const override { return base().getURI(); }

    void readFully(void* buffer, int32_t count) override {
        check(Operation::read, m_reads);
        m_in->readFully(buffer, count);
    }
    int32_t read(void* buffer, int32_t count) override {
        check(Operation::read, m_reads);
        return m_in->read(buffer, limited(count));
    }
    int32_t readPartial(void* buffer, int32_t count) override {
        check(Operation::read, m_reads);
        return m_in->readPartial(buffer, limited(count));
    }
    void skipFully(int32_t count) override { m_in->skipFully(count); }
    int32_t skip(int32_t count) override { return m_in->skip(count); }
    int32_t skipPartial(int32_t count) override { return m_in->skipPartial(count); }
    bool isEOF() const override { return m_in->isEOF(); }

    void write(const void* buffer, int32_t count) override {
        check(Operation::write, m_writes);
        m_out->write(buffer, count);
    }
    int32_t writeCounted(const void* buffer, int32_t count) override {
        check(Operation::write, m_writes);
        return m_out->writeCounted(buffer, count);
    }
    void flush() override { m_out->flush(); }

    tamu::P<tamu::IStreamMarker> createMarker() override {
        return m_in ? m_in->createMarker() : m_out->createMarker();
    }
    void resetToMarker(tamu::IStreamMarker& marker) override {
        if (m_in)
            m_in->resetToMarker(marker);
        else
            m_out->resetToMarker(marker);
    }

    void seek(int64_t position) override {
        check(Operation::seek, m_seeks);
        if (m_in)
            m_in->seek(position);
        else
            m_out->seek(position);
    }
    void seekFromEnd(int64_t offset) override { seek(getLength() + offset); }
    void seekRelative(int64_t offset) override { seek(base().getPosition() + offset); }

private:
    const tamu::IStreamBase& base() const {
        return m_in ? static_cast<const tamu::IStreamBase&>(*m_in) : *m_out;
    }
    tamu::IStreamBase& base() { return m_in ? static_cast<tamu::IStreamBase&>(*m_in) : *m_out; }

    int32_t limited(int32_t count) const {
        return m_fault.readLimit > 0 ? std::min(count, m_fault.readLimit) : count;
    }

    void check(Operation operation, int& calls) const {
        if (m_fault.operation != operation)
            return;
        ++calls;
        if (calls == m_fault.call || (!m_fault.once && calls > m_fault.call))
            throw tamu::CException(tamu::str("CTestError"),
                                   tamu::stringConv::fromUTF8(failureText(operation)));
    }

    tamu::P<tamu::ISeekableInStream> m_in;
    tamu::P<tamu::ISeekableOutStream> m_out;
    Fault m_fault;
    mutable int m_reads = 0, m_writes = 0, m_seeks = 0, m_tells = 0;
};

// Answers failing:NAME with the file `folder`/NAME behind the current fault. Register it with
// the stream manager for the time of a test.
class CFaultyStreamFactory : public tamu::CStreamFactory {
public:
    explicit CFaultyStreamFactory(std::string folder) : m_folder(std::move(folder)) {}

    Fault fault;

    tamu::P<tamu::IInStream> tryOpenInStream(tamu::IURI* uri, int32_t share) override {
        return tryOpenSeekableInStream(uri, share);
    }
    tamu::P<tamu::IResetableInStream> tryOpenResetableInStream(tamu::IURI* uri,
                                                               int32_t share) override {
        return tryOpenSeekableInStream(uri, share);
    }
    tamu::P<tamu::ISeekableInStream> tryOpenSeekableInStream(tamu::IURI* uri,
                                                             int32_t share) override {
        if (!uri->isScheme("failing"))
            return nullptr;
        return tamu::make<CFaultyStream>(
            tamu::getStreamManager()->openSeekableInStream(file(uri).get(), share), nullptr, fault);
    }
    tamu::P<tamu::IOutStream> tryOpenOutStream(tamu::IURI* uri, int32_t share, int32_t creation,
                                               bool deleteOnClose) override {
        return tryOpenSeekableOutStream(uri, share, creation, deleteOnClose);
    }
    tamu::P<tamu::IResetableOutStream> tryOpenResetableOutStream(tamu::IURI* uri, int32_t share,
                                                                 int32_t creation,
                                                                 bool deleteOnClose) override {
        return tryOpenSeekableOutStream(uri, share, creation, deleteOnClose);
    }
    tamu::P<tamu::ISeekableOutStream> tryOpenSeekableOutStream(tamu::IURI* uri, int32_t share,
                                                               int32_t creation,
                                                               bool deleteOnClose) override {
        if (!uri->isScheme("failing"))
            return nullptr;
        return tamu::make<CFaultyStream>(nullptr,
                                         tamu::getStreamManager()->openSeekableOutStream(
                                             file(uri).get(), share, creation, deleteOnClose),
                                         fault);
    }
    // The workers never ask for both directions at once.
    tamu::P<tamu::IIOStream> tryOpenIOStream(tamu::IURI*, int32_t, int32_t, bool) override {
        return nullptr;
    }
    tamu::P<tamu::IResetableIOStream> tryOpenResetableIOStream(tamu::IURI*, int32_t, int32_t,
                                                               bool) override {
        return nullptr;
    }
    tamu::P<tamu::ISeekableIOStream> tryOpenSeekableIOStream(tamu::IURI*, int32_t, int32_t,
                                                             bool) override {
        return nullptr;
    }

private:
    tamu::P<tamu::IURI> file(tamu::IURI* uri) const {
        const std::string name = tamu::stringConv::toStdString(*uri->getPath());
        return tamu::make<tamu::CURI>(*tamu::stringConv::fromStd(m_folder + "/" + name));
    }

    std::string m_folder;
};

} // namespace faulty
