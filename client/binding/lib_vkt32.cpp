// The seven exports as the program calls them: each argument converted to the library's form
// (texts Latin-1, paths in the file-system encoding, records packed) and results converted
// back.
#include "binding/lib_vkt32.h"

#include <strings.h>

#include "binding/library_loader.h"
#include "binding/record_conversion.h"
#include "general/text_encoding.h"

namespace vkt::client::LibVKT32 {
namespace {

constexpr int kVerifyBufferSize = 2048;  // what VKTVerificar may write into its answer
constexpr int kErrorRecordCount = 10;

// A zero-terminated copy of a password, wiped when the call is over.
class SecretCopy {
  public:
    explicit SecretCopy(const QString& text) : bytes_(ToLatin1(text)) {}
    ~SecretCopy() {
        if (!bytes_.isEmpty())
            explicit_bzero(bytes_.data(), static_cast<std::size_t>(bytes_.size()));
    }
    SecretCopy(const SecretCopy&) = delete;
    SecretCopy& operator=(const SecretCopy&) = delete;
    const char* data() const { return bytes_.constData(); }

  private:
    QByteArray bytes_;
};

}  // namespace

std::int32_t VKTConectar(const QString& servidor, const QString& servicio, const QString& usuario,
                         const QString& password, const QString& dirClaves, std::int32_t timeout,
                         std::int32_t* sesion) {
    auto* function = Export<decltype(::VKTConectar)>("VKTConectar");
    const QByteArray server = ToLatin1(servidor);
    const QByteArray service = ToLatin1(servicio);
    const QByteArray user = ToLatin1(usuario);
    const SecretCopy secret(password);
    const QByteArray keyFolder = ToPath(dirClaves);
    return function(server.constData(), service.constData(), user.constData(), secret.data(),
                    keyFolder.constData(), timeout, sesion);
}

std::int32_t VKTDesconectar(std::int32_t sesion) {
    return Export<decltype(::VKTDesconectar)>("VKTDesconectar")(sesion);
}

std::int32_t VKTVerificar(std::int32_t sesion, const QString& archivo, std::int32_t formato,
                          QString* parametros, std::int32_t* largo) {
    auto* function = Export<decltype(::VKTVerificar)>("VKTVerificar");
    const QByteArray path = ToPath(archivo);
    // The library may write 2,048 bytes whatever the caller's text holds: the buffer is never
    // shorter than that, and one byte longer for a terminating NUL.
    QByteArray answer = parametros != nullptr ? ToLatin1(*parametros) : QByteArray();
    if (answer.size() < kVerifyBufferSize) answer.append(kVerifyBufferSize - answer.size(), ' ');
    const int size = static_cast<int>(answer.size());
    answer.append('\0');
    const std::int32_t result = function(sesion, path.constData(), formato, answer.data(), largo);
    if (parametros != nullptr) *parametros = FromLatin1(answer.constData(), size);
    return result;
}

std::int32_t VKTEnviar(std::int32_t sesion, const QString& password, const QString& archivo,
                       std::int32_t formato, const QString& parametros, std::int32_t largo) {
    auto* function = Export<decltype(::VKTEnviar)>("VKTEnviar");
    const SecretCopy secret(password);
    const QByteArray path = ToPath(archivo);
    // The null text reaches the library as a null pointer: no additional information.
    const QByteArray additional = ToLatin1(parametros);
    const char* text = parametros.isNull() ? nullptr : additional.constData();
    return function(sesion, secret.data(), path.constData(), formato, text, largo);
}

std::int32_t VKTSolicitar(std::int32_t sesion, const QString& password, const QString& archivo,
                          const QString& destino) {
    auto* function = Export<decltype(::VKTSolicitar)>("VKTSolicitar");
    const SecretCopy secret(password);
    const QByteArray name = ToPath(archivo);
    const QByteArray folder = ToPath(destino);
    return function(sesion, secret.data(), name.constData(), folder.constData());
}

std::int32_t VKTError(ClientErrorRecord records[10]) {
    auto* function = Export<decltype(::VKTError)>("VKTError");
    ErrorRecord packed[kErrorRecordCount];
    for (int i = 0; i < kErrorRecordCount; ++i) packed[i] = ToLibraryRecord(records[i]);
    const std::int32_t count = function(packed);
    for (int i = 0; i < kErrorRecordCount; ++i) records[i] = FromLibraryRecord(packed[i]);
    return count;
}

std::int32_t VKTEstado(StatusRecord* estado) {
    auto* function = Export<decltype(::VKTEstado)>("VKTEstado");
    if (estado == nullptr) return function(nullptr);  // the library answers 1
    StatusRecord packed = *estado;
    const std::int32_t result = function(&packed);
    *estado = packed;
    return result;
}

}  // namespace vkt::client::LibVKT32
