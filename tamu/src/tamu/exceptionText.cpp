#include "tamu/exceptionText.h"

#include "tamu/CMemoryBlock.h"
#include "tamu/CThreadLocalStorage.h"
#include "tamu/IString.h"
#include "tamu/interfaceCast.h"
#include "tamu/stringConv.h"

namespace tamu {

const char* exceptionText(const P<IString>& message) noexcept {
    try {
        if (message->hasEncoding(codePageEncodingId) && message->isZeroTerminated())
            return static_cast<const char*>(message->getData());
        P<IString> text = stringConv::toCP(message);
        // One block per thread, reused: the previous text of this thread is given up here.
        P<CThreadLocalStorage> slot = getLibraryThreadLocalStorage();
        IMemoryBlock* block = interfaceCast<IMemoryBlock>(slot->getObject(), false);
        if (!block) {
            P<IMemoryBlock> created = make<CMemoryBlock>();
            slot->setObject(created.get());
            block = created.get();
        }
        const char terminator = 0;
        block->assign(text->getData(), text->getByteLength());
        block->append(&terminator, 1);
        return reinterpret_cast<const char*>(block->getData());
    } catch (...) {
        // what() must not throw; running out of memory here leaves only a fixed text.
        return "(the message could not be converted)";
    }
}

} // namespace tamu
