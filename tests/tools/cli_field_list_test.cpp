// The answers given on the command line: matched to the server's fields, checked and joined
// into the fixed-width additional text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/field_list.h"
#include "cli/field_values.h"

namespace vkt::cli {
namespace {

Field Text(const std::string& name, int width, bool hidden = false) {
    return Field{name, width, false, hidden};
}
Field Number(const std::string& name, int width, bool hidden = false) {
    return Field{name, width, true, hidden};
}

struct AnswerCase {
    Field field;
    std::string answer;
    std::string formatted;  // empty: refused
};

TEST(FieldListTest, FormatsEachAnswerToItsWidthOrRefusesIt) {
    const AnswerCase cases[] = {
        {Number("Importe", 8), "125", "00000125"},
        {Number("Importe", 8), " 125 ", "00000125"},
        {Number("Importe", 8), "00000125", "00000125"},
        {Number("Importe", 3), "007", "007"},
        {Number("Cuenta", 20), "12345678901234567890", "12345678901234567890"},
        {Text("Concepto", 12), "Pago", "Pago        "},
        {Text("Concepto", 6), "  Pago  ", "Pago  "},
        {Text("Concepto", 0), " libre, sin l\xEDmite ", "libre, sin l\xEDmite"},
        {Number("N", 0), "007", "007"},
        {Number("Importe", 8), "123456789", ""},  // never cut
        {Text("Concepto", 3), "Pago", ""},
        {Number("Importe", 8), "12a", ""},
        {Number("Importe", 8), "-5", ""},
        {Text("Concepto", 5), "   ", ""},
        {Text("Concepto", 5), "", ""},
    };
    for (const AnswerCase& c : cases) {
        SCOPED_TRACE(c.field.name + "=" + c.answer);
        std::string formatted;
        std::string problem;
        const bool done = FormatAnswer(c.field, c.answer, &formatted, &problem);
        EXPECT_EQ(done, !c.formatted.empty()) << problem;
        if (done) {
            EXPECT_EQ(formatted, c.formatted);
        }
    }
}

TEST(FieldListTest, OutputJoinsTheAnswersInFieldOrder) {
    const FieldList list = ParseFieldList("Importe,8,N;Concepto,12");
    std::string output;
    std::string problem;
    ASSERT_TRUE(FormatOutput(list.fields, {"125", "Pago"}, &output, &problem)) << problem;
    EXPECT_EQ(output, "00000125Pago        ");
    EXPECT_EQ(output.size(), 20u);

    EXPECT_FALSE(FormatOutput(list.fields, {"125", ""}, &output, &problem));
    EXPECT_NE(problem.find("Concepto"), std::string::npos);

    // The library would cut an additional text beyond 2,048 bytes: refused here instead.
    const std::vector<Field> wide = {Text("A", 2000), Text("B", 48)};
    ASSERT_TRUE(FormatOutput(wide, {"x", "y"}, &output, &problem));
    EXPECT_EQ(output.size(), kMaxAdditionalText);
    const std::vector<Field> wider = {Text("A", 2000), Text("B", 49)};
    EXPECT_FALSE(FormatOutput(wider, {"x", "y"}, &output, &problem));
    EXPECT_NE(problem.find("2048"), std::string::npos);
}

TEST(FieldValuesTest, MatchesByNameExactFirstThenIgnoringCase) {
    const std::vector<Field> fields = {Number("Importe", 8), Text("N\xFAmero", 5),
                                       Text("Concepto", 12), Text("concepto", 3)};
    const MatchedValues matched =
        MatchFieldValues(fields, {{"importe", "1"},
                                  {"IMPORTE", "2"},  // the last value of a name wins
                                  {"N\xDAMERO", "7"},
                                  {"concepto", "abc"},
                                  {"Otro", "x"}});
    EXPECT_EQ(matched.answers, (std::vector<std::string>{"2", "7", "abc", "abc"}));
    EXPECT_TRUE(matched.missing.empty());
    EXPECT_EQ(matched.unused, std::vector<std::string>{"Otro"});

    const MatchedValues partial = MatchFieldValues(fields, {{"Importe", "1"}, {"Concepto", "  "}});
    EXPECT_EQ(partial.missing, (std::vector<Field>{Text("N\xFAmero", 5), Text("Concepto", 12),
                                                   Text("concepto", 3)}));
}

}  // namespace
}  // namespace vkt::cli
