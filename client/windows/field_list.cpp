// Field-list parsing and answer formatting.
#include "windows/field_list.h"

#include "general/number_text.h"

namespace vkt::client {

bool ParsearRegistros(int start, const QString& param, int szparam, QString* registro,
                      int* szregistro) {
    const qsizetype limit = qBound(qsizetype{0}, qsizetype{szparam}, param.size());
    const qsizetype from = qsizetype{start} - 1;
    if (from < 0 || from >= limit) return false;
    const QString list = param.left(limit);
    const qsizetype p = list.indexOf(QLatin1Char(';'), from);
    // The last record runs to the end of the list: it takes all that is left, blanks
    // included, so nothing after it is read as a further record.
    const qsizetype end = p >= 0 ? p : limit;
    *registro = TrimBlanks(list.mid(from, end - from));
    *szregistro = static_cast<int>(end - from);
    return true;
}

bool ParsearCampo(const QString& registro, Campo* campo) {
    *campo = Campo{};
    const qsizetype p1 = registro.indexOf(QLatin1Char(','));
    if (p1 < 0) return false;
    campo->Nombre = TrimBlanks(registro.left(p1));
    const qsizetype p2 = registro.indexOf(QLatin1Char(','), p1 + 1);
    if (p2 < 0) {
        campo->Ancho = LeadingNumber16(registro.mid(p1 + 1));
        return true;
    }
    campo->Ancho = LeadingNumber16(registro.mid(p1 + 1, p2 - p1 - 1));
    for (const QChar flag : TrimBlanks(registro.mid(p2 + 1))) {
        if (flag == QLatin1Char('N')) {
            campo->Numerico = true;
        } else if (flag == QLatin1Char('M')) {
            campo->Oculto = true;
        } else if (flag == QLatin1Char('0')) {
            campo->Numerico = false;
        }
    }
    return true;
}

QString FormatAnswer(const QString& answer, int ancho, bool numerico) {
    const QString text = TrimBlanks(answer);
    const qsizetype width = ancho > 0 ? ancho : 0;
    // The digits are padded as text: a number of any length keeps every digit.
    return numerico ? text.rightJustified(width, QLatin1Char('0'))
                    : text.leftJustified(width, QLatin1Char(' '));
}

}  // namespace vkt::client
