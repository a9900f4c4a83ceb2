// The server's field list and the fixed-width answers.
#include "rules/field_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vkt::rules {
namespace {

Field Text(const std::string& name, int width, bool hidden = false) {
    return Field{name, width, false, hidden};
}
Field Number(const std::string& name, int width, bool hidden = false) {
    return Field{name, width, true, hidden};
}

struct ListCase {
    std::string answer;
    std::vector<Field> fields;
    std::string unreadRecord;  // empty: the whole list was read
    FieldList::Stop stop = FieldList::Stop::kEnd;
};

TEST(FieldListTest, ParsesRecordsAndStopsAtTheFirstUnreadableOne) {
    const ListCase cases[] = {
        {"Importe,8,N;Concepto,12", {Number("Importe", 8), Text("Concepto", 12)}, ""},
        {"", {}, ""},
        {"Importe,8", {Text("Importe", 8)}, ""},  // a one-digit width is read too
        {"Clave,4,NM", {Number("Clave", 4, true)}, ""},
        {"A,5,N0", {Text("A", 5)}, ""},
        {"A,5,0N", {Number("A", 5)}, ""},
        {"A,5,xMy,N", {Number("A", 5, true)}, ""},  // the flags run to the end, "," included
        {"A,5,n", {Text("A", 5)}, ""},              // lower case is no flag
        {" Nombre del titular , 30 ; Cuenta ,10, N ",
         {Text("Nombre del titular", 30), Number("Cuenta", 10)},
         ""},
        {"A,abc", {Text("A", 0)}, ""},
        {"A,1 2x", {Text("A", 12)}, ""},
        {"A,", {Text("A", 0)}, ""},
        {"A,32767", {Text("A", 32767)}, ""},
        {"A,1;", {Text("A", 1)}, ""},
        {"A,3;x", {Text("A", 3)}, ""},  // one character left is no record
        {"A,1;   B,2", {Text("A", 1), Text("B", 2)}, ""},
        {"A,1;B;C,2", {Text("A", 1)}, "B", FieldList::Stop::kNoComma},
        {"A,1;;C,2", {Text("A", 1)}, "", FieldList::Stop::kNoComma},
        {"A,1;B,32768;C,2", {Text("A", 1)}, "B,32768", FieldList::Stop::kWidthTooLarge},
        {"A,1;B,99999999999;C,2", {Text("A", 1)}, "B,99999999999", FieldList::Stop::kWidthTooLarge},
    };
    for (const ListCase& c : cases) {
        SCOPED_TRACE(c.answer);
        const FieldList list = ParseFieldList(c.answer);
        EXPECT_EQ(list.fields, c.fields);
        EXPECT_EQ(list.unreadRecord, c.unreadRecord);
        EXPECT_EQ(list.stop, c.stop);
    }
    // An empty record stops the reading as a record without a comma does.
    EXPECT_EQ(ParseFieldList("A,1;;C,2").unreadReason, "no comma");
    EXPECT_EQ(ParseFieldList("A,32768").unreadReason, "width above 32767");
}

TEST(FieldListTest, FormatsEachAnswerToItsWidth) {
    struct Case {
        Field field;
        std::string answer;
        std::string formatted;
    };
    const Case cases[] = {
        {Number("Importe", 8), "125", "00000125"},
        {Number("Importe", 8), "12345678", "12345678"},
        {Number("Importe", 5), "007", "00007"},
        {Number("Cuenta", 22), "98765432109876543210", "0098765432109876543210"},
        {Number("Importe", 3), "123456", "123456"},  // never cut
        {Text("Concepto", 12), "Pago", "Pago        "},
        {Text("Concepto", 6), "  Pago  ", "Pago  "},
        {Text("Concepto", 0), " libre, sin l\xEDmite ", "libre, sin l\xEDmite"},
        {Number("N", 0), "42", "42"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field.name + "=" + c.answer);
        EXPECT_EQ(FormatAnswer(c.field, c.answer), c.formatted);
    }
}

}  // namespace
}  // namespace vkt::rules
