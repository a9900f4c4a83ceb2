// The message catalogue, compiled in: every message id with a text, in ascending order.
// Texts are Latin-1 bytes (accented letters as \x escapes; a literal is split after an escape
// that a hexadecimal letter follows). Id 40060 has no text and is absent.
#include "runtime/status/catalogue.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace vkt::runtime {

namespace {

struct CatalogueEntry {
    std::int32_t id;
    const char* text;
};

// clang-format off
constexpr CatalogueEntry kCatalogue[] = {
    {2102, "Falta inicializaci\xF3n de rutinas criptogr\xE1" "ficas"},
    {2103, "Algoritmo inv\xE1lido"},
    {2104, "C\xF3" "digo inv\xE1lido"},
    {2105, "No hay memoria suficiente"},
    {2106, "Error no especificado o de uso interno"},
    {2201, "Puntero inv\xE1lido"},
    {2202, "Longitud inv\xE1lida"},
    {2203, "M\xE1scara de conversi\xF3n inv\xE1lida"},
    {2204, "Entrada inv\xE1lida"},
    {2205, "Handle inv\xE1lido"},
    {2301, "Nombre de archivo inv\xE1lido"},
    {2302, "Archivo inexistente"},
    {2303, "Error al escribir archivo"},
    {2304, "El archivo de salida no puede ser de entrada"},
    {2305, "Formato de archivo inv\xE1lido"},
    {2401, "Hash cerrado. No puede ser actualizado"},
    {2402, "Verifique que los algoritmos sean iguales"},
    {2403, "Hash - Fallo de comparaci\xF3n"},
    {2501, "La clave sim\xE9trica especificada es d\xE9" "bil"},
    {2502, "Modo de operaci\xF3n inv\xE1lido"},
    {2503, "M\xE9todo de padding inv\xE1lido"},
    {2601, "Longitud especificada fuera de rango"},
    {2602, "Exponente p\xFA" "blico inv\xE1lido"},
    {2603, "Debe especificar una contrase\xF1" "a para una clave privada"},
    {2604, "Contrase\xF1" "a incorrecta o la clave est\xE1 corrompida"},
    {2605, "Debe especificar un handle a la clave privada"},
    {2606, "Debe especificar un handle a la clave p\xFA" "blica"},
    {2607, "Longitud demasiado larga o la clave es demasiado corta"},
    {2608, "La firma o el sobre digital est\xE1n corrompidos o son inv\xE1lidos"},
    {10022, "Argumento inv\xE1lido"},
    {10024, "Demasiados archivos abiertos"},
    {10035, "Recurso no disponible temporalmente"},
    {10036, "Una operaci\xF3n bloqueante est\xE1 en progreso"},
    {10037, "Operaci\xF3n todav\xED" "a en progreso"},
    {10038, "Se est\xE1 intentanto realizar una operaci\xF3n sobre un socket inv\xE1lido"},
    {10041, "Tipo de protocolo err\xF3neo"},
    {10042, "Opci\xF3n de protocolo err\xF3nea"},
    {10043, "Protocolo no soportado"},
    {10045, "Operaci\xF3n no soportada"},
    {10046, "Familia de protocolo no soportada"},
    {10047, "Existe una operaci\xF3n en progreso"},
    {10048, "La direcci\xF3n especificada est\xE1 en uso"},
    {10049, "La direcci\xF3n especificada no es v\xE1lida"},
    {10050, "El subsistema de red ha fallado"},
    {10051, "No se puede acceder a la red"},
    {10052, "La conexi\xF3n debe ser reseteada"},
    {10053, "La conexi\xF3n fue abortada localmente"},
    {10054, "La conexi\xF3n fue reseteada por el lado remoto"},
    {10055, "No hay espacio suficiente para llevar a cabo una operaci\xF3n"},
    {10056, "El socket est\xE1 en uso"},
    {10057, "No existe una conexi\xF3n"},
    {10058, "No se puede enviar o recibir datos luego de un shutdown del socket"},
    {10060, "Timeout de conexi\xF3n"},
    {10061, "La conexi\xF3n fue rechazada"},
    {10064, "El servidor ha dejado de operar"},
    {10065, "No existe una ruta al host"},
    {10067, "Demasiados procesos"},
    {10091, "El subsistema de red no est\xE1 disponible"},
    {10092, "Error en la versi\xF3n de Winsock.dll"},
    {10093, "Windows Sockets no ha sido inicializado"},
    {11001, "No se encontr\xF3 el servidor especificado"},
    {11002, "Host no encontrado"},
    {11003, "Error irrecuperable"},
    {11004, "Nombre v\xE1lido pero la informaci\xF3n asociada no es correcta"},
    {40001, "Estructura de mensaje inv\xE1lida"},
    {40002, "Caracteristica err\xF3nea"},
    {40003, "Tipo de mensaje err\xF3neo"},
    {40004, "Longitud inv\xE1lida"},
    {40005, "Mensaje inconsistente"},
    {40006, "Error en desencripci\xF3n"},
    {40007, "Intentos de conexi\xF3n por usuario no identificado"},
    {40008, "Error en secuencia de conexi\xF3n"},
    {40009, "Fin de sesi\xF3n solicitada por contraparte"},
    {40010, "Usuario bloqueado por excesos de mensajes err\xF3neos"},
    {40011, "Usuario bloqueado por exceso de intentos de conexi\xF3n"},
    {40012, "Usuario bloqueado por exceso de firmas erroneas"},
    {40013, "Sistema desconocido"},
    {40014, "Error interno"},
    {40015, "Interactiva desconocida"},
    {40016, "Interactiva actualmente en uso, utilice otra o descon\xE9" "ctela."},
    {40017, "Impresora no corresponde a interactiva"},
    {40018, "Usuario ya conectado al sistema pedido"},
    {40019, "Error de comunicaciones en estaci\xF3n"},
    {40020, "Conexi\xF3n rechazada"},
    {40021, "Error de comunicaciones en impresora"},
    {40022, "Timeout de conexi\xF3n"},
    {40023, "Cliente solicit\xF3 Clear de Sesi\xF3n"},
    {40024, "Error en Configuraci\xF3n. Re-intentar conexi\xF3n"},
    {40025, "Imposible conectar: falta par\xE1metro"},
    {40026, "Estaciones en uso o problemas internos"},
    {40027, "Faltan datos de configuraci\xF3n de estaciones"},
    {40028, "Error de Comunicaci\xF3n en estaci\xF3n"},
    {40029, "Usuario bloqueado"},
    {40030, "Error de integridad en Nubrex.dll"},
    {40032, "Clave privada no disponible"},
    {40033, "Demasiadas sesiones abiertas"},
    {40034, "Intento de cerrar sesi\xF3n no establecida"},
    {40035, "Imposible controlar integridad, falta archivo de control"},
    {40036, "Error de integridad de archivo"},
    {40037, "No hay sesi\xF3n activa"},
    {40038, "Error de violaci\xF3n de sesi\xF3n"},
    {40039, "No hay sesi\xF3n en tr\xE1mite"},
    {40040, "Sesi\xF3n en tr\xE1mite - Re-intente en 2 segundos"},
    {40041, "Imposible desencriptar mensaje"},
    {40042, "Funci\xF3n no disponible"},
    {40044, "Error en secuencia de mensaje: no hay clave de sesi\xF3n"},
    {40050, "Archivo no encontrado"},
    {40051, "Error al intentar operar sobre un archivo (lectura/escritura)"},
    {40052, "Fallo de control de la clave privada"},
    {40053, "Par\xE1metro no v\xE1lido"},
    {40054, "Certificado vencido o no disponible"},
    {40055, "Tiempo m\xE1ximo de espera superado."},
    {40061, "Ya existe una conexi\xF3n v\xE1lida"},
    {40062, "Error Desconocido - El servidor ha enviado un mensaje de error con formato inv\xE1lido."},
    {40063, "Actualmente hay una operaci\xF3n en curso. Por favor, aguarde su finalizaci\xF3n antes de continuar"},
    {40064, "El servidor ha dado de baja la conexi\xF3n actual."},
    {40065, "Se ha producido un error. Se cancela la operaci\xF3n actual."},
    {40100, "Error al alocar memoria"},
    {40200, "Formato del archivo inv\xE1lido - CRLF no encontrado"},
    {40201, "Formato del archivo inv\xE1lido - Tipo de registro desconocido"},
    {40202, "Formato del archivo inv\xE1lido - El tipo de archivo no coincide (header-footer) \xF3 es inv\xE1lido"},
    {40203, "Formato del archivo inv\xE1lido - El nombre interno no coincide (header-footer)"},
    {40204, "Formato del archivo inv\xE1lido - La hora/fecha no coinciden (header-footer)"},
    {40205, "Formato del archivo inv\xE1lido - N\xFAmero total de registros no coincide (header-footer)"},
    {40206, "Formato del archivo inv\xE1lido - Cantidad inv\xE1lida de registros"},
    {40207, "Formato del archivo inv\xE1lido - El tipo de archivo es inv\xE1lido"},
    {40208, "El tama\xF1o del archivo excede el m\xE1ximo permitido (8MB)"},
    {49997, "Se ha superado el tiempo m\xE1ximo establecido sin que se reciban mensajes del servidor. Se finaliza la conexi\xF3n actual."},
    {49998, "Se ha recibido un keep-alive"},
    {49999, "No hay mensajes pendientes"},
};
// clang-format on

constexpr bool IdsAscending() {
    for (std::size_t i = 1; i < std::size(kCatalogue); ++i) {
        if (kCatalogue[i - 1].id >= kCatalogue[i].id) return false;
    }
    return true;
}
static_assert(IdsAscending(), "the lookup below is a binary search");
static_assert(std::size(kCatalogue) == 130, "29 cryptographic, 35 network, 66 library texts");

}  // namespace

const char* CatalogueText(std::int32_t messageId) {
    const auto* end = std::end(kCatalogue);
    const auto* found = std::lower_bound(
        std::begin(kCatalogue), end, messageId,
        [](const CatalogueEntry& entry, std::int32_t id) { return entry.id < id; });
    return found != end && found->id == messageId ? found->text : "";
}

}  // namespace vkt::runtime
