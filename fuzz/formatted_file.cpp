// A transfer file checked as a send or a verify checks it: the input is the file, written in
// a scratch folder, validated as a formatted record file and described again from its open
// descriptor; the same bytes as a plain file must always pass (its name is fixed).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/fuzz_support.h"
#include "protocol/transfer_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using vkt::protocol::TransferFile;
    const std::string path = vkt::fuzz::Scratch().File("datos.txt");
    vkt::fuzz::WriteWholeFile(path, data, size);
    {
        TransferFile formatted(path.c_str(), 1);
        const std::int32_t status = formatted.Validate();
        if (status == 0) {
            // An accepted file names itself and its data lies within it.
            if (formatted.InternalName()[0] == 0 || formatted.GetDataSize() < 0 ||
                static_cast<std::size_t>(formatted.GetDataSize()) + 76 != size)
                std::abort();
            TransferFile adopted(formatted.Fd(), path.c_str(), formatted.Kind(),
                                 formatted.Locked());
            adopted.SetKeepOpen(true);  // the first object still owns the descriptor
            if (adopted.Describe() != 0 || adopted.GetDataSize() != formatted.GetDataSize() ||
                std::strcmp(adopted.InternalName(), formatted.InternalName()) != 0)
                std::abort();
        }
        formatted.Close();
    }
    TransferFile plain(path.c_str(), 2);
    const std::int32_t status = plain.Validate();
    if (size == 0 ? status == 0
                  : status != 0 || plain.GetDataSize() != static_cast<std::int32_t>(size))
        std::abort();
    plain.Close();
    return 0;
}
