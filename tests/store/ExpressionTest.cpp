#include "store/Expression.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

using namespace brindle::store;

namespace {

// A small table layout and one record of it, built by hand.
class ExprTest : public ::testing::Test {
protected:
    ExprTest() {
        add("LNAME", 'C', 10);
        add("FNAME", 'C', 8);
        add("CODES", 'C', 6);
        add("ISDEL", 'L', 1);
        add("AMOUNT", 'N', 8, 2);
        add("BORN", 'D', 8);
        add("COUNT", 'N', 5);
        add("MEMO", 'M', 10);
        add("DATE", 'C', 15);
        record.assign(static_cast<std::size_t>(schema.recordLength), ' ');
        set("LNAME", "Smith");
        set("FNAME", "John");
        set("CODES", "ABx");
        set("ISDEL", "F");
        set("AMOUNT", "   12.50");
        set("BORN", "19990704");
        set("COUNT", "   -3");
        set("DATE", "19990704");
        memo = [this](const char*, int) { return memoText; };
    }

    void add(const char* name, char type, int width, int decimals = 0) {
        FieldInfo f;
        f.name = name;
        f.type = type;
        f.width = width;
        f.decimals = decimals;
        f.offset = schema.recordLength;
        schema.fields.push_back(f);
        schema.recordLength += width;
    }

    void set(const char* name, const std::string& value) {
        const FieldInfo& f = schema.fields[static_cast<std::size_t>(schema.find(name))];
        std::string v = value;
        v.resize(static_cast<std::size_t>(f.width), ' ');
        record.replace(static_cast<std::size_t>(f.offset), v.size(), v);
    }

    EvalContext ctx(bool exact = false) const {
        EvalContext c;
        c.record = record.data();
        c.recno = 42;
        c.exact = exact;
        c.memo = &memo;
        return c;
    }

    Value eval(const std::string& text, bool exact = false) {
        return Expression::compile(text, schema)->evaluate(ctx(exact));
    }
    std::string str(const std::string& text) {
        Value v = eval(text);
        EXPECT_EQ(v.type, ValueType::Character) << text;
        return v.str;
    }
    double num(const std::string& text) {
        Value v = eval(text);
        EXPECT_TRUE(v.type == ValueType::Numeric || v.type == ValueType::Date) << text;
        return v.num;
    }
    bool yes(const std::string& text, bool exact = false) {
        return Expression::compile(text, schema)->evaluateLogical(ctx(exact));
    }
    std::string key(const std::string& text) {
        auto e = Expression::compile(text, schema);
        std::string out = "#";
        e->evaluateKey(ctx(), out);
        EXPECT_EQ(out.size(), static_cast<std::size_t>(e->keyLength()) + 1) << text;
        return out.substr(1);
    }

    Schema schema;
    std::string record;
    std::string memoText = "call back in May";
    std::function<std::string(const char*, int)> memo;
};

TEST_F(ExprTest, ConcatenationAndTheMinusBlankRule) {
    EXPECT_EQ(str("LNAME+FNAME"), "Smith     John    ");
    EXPECT_EQ(str("LNAME-FNAME"), "SmithJohn         ");
    EXPECT_EQ(str("\"AB  \" - \"CD\""), "ABCD  ");
    EXPECT_EQ(str("'A'-'B'-'C'"), "ABC");
    EXPECT_EQ(str("[x]+'y'+\"z\""), "xyz");
    EXPECT_EQ(str("UPPER(LNAME-FNAME)"), "SMITHJOHN         ");
    // A blank left part leaves only blanks in front of nothing.
    EXPECT_EQ(str("'   '-'Z'"), "Z   ");
}

TEST_F(ExprTest, StringEqualityFollowsTheExactSetting) {
    // Exact off: the right side is compared over its own length.
    EXPECT_TRUE(yes("'ABC' = 'AB'"));
    EXPECT_FALSE(yes("'AB' = 'ABC'"));
    EXPECT_TRUE(yes("'ABC' = ''"));
    EXPECT_TRUE(yes("'AB' = 'AB  '"));  // a longer right side is compared with the left padded
    EXPECT_TRUE(yes("UPPER(LNAME)=\"SM\""));
    EXPECT_FALSE(yes("UPPER(LNAME)=\"SX\""));
    EXPECT_TRUE(yes("LNAME <> 'Jo'"));
    EXPECT_FALSE(yes("LNAME # 'Sm'"));
    EXPECT_FALSE(yes("LNAME != 'Smi'"));
    // Exact on: whole values, trailing blanks ignored.
    EXPECT_FALSE(yes("'ABC' = 'AB'", true));
    EXPECT_TRUE(yes("'AB  ' = 'AB'", true));
    EXPECT_TRUE(yes("LNAME = 'Smith'", true));
    EXPECT_FALSE(yes("'ABC' = ''", true));
    // "==" always compares the whole value, blanks included.
    EXPECT_FALSE(yes("'ABC' == 'AB'"));
    EXPECT_TRUE(yes("'AB' == 'AB'"));
    EXPECT_FALSE(yes("'AB ' == 'AB'", true));
    EXPECT_FALSE(yes("LNAME == 'Smith'"));
    EXPECT_TRUE(yes("TRIM(LNAME) == 'Smith'"));
}

TEST_F(ExprTest, StringOrderingIsBytewise) {
    EXPECT_TRUE(yes("'ABC' < 'ABD'"));
    EXPECT_TRUE(yes("'B' > 'ABC'"));
    EXPECT_TRUE(yes("'a' > 'Z'"));  // byte order, not case-folded
    EXPECT_TRUE(yes("UPPER(LNAME) >= 'M'"));
    EXPECT_FALSE(yes("UPPER(LNAME) >= 'T'"));
    // Exact off: a value that begins with the right side is equal to it.
    EXPECT_TRUE(yes("'SMITH' <= 'S'"));
    EXPECT_FALSE(yes("'SMITH' > 'S'"));
    EXPECT_FALSE(yes("'SMITH' <= 'S'", true));
    EXPECT_TRUE(yes("'AB' < 'ABC'"));
    EXPECT_TRUE(yes("'AB' >= 'AB   '", true));
    // High bytes compare above ASCII.
    EXPECT_TRUE(yes("'\xC9' > 'Z'"));
}

TEST_F(ExprTest, ContainsOperator) {
    EXPECT_TRUE(yes("\"A\"$UPPER(CODES)"));
    EXPECT_TRUE(yes("'X'$UPPER(CODES)"));
    EXPECT_FALSE(yes("'x'$'ABX'"));
    EXPECT_TRUE(yes("'ith'$LNAME"));
    EXPECT_FALSE(yes("'ithx'$LNAME"));
    EXPECT_TRUE(yes("''$LNAME"));
    EXPECT_FALSE(yes("'ABCD'$'ABC'"));
    EXPECT_TRUE(yes("'May'$MEMO"));
}

TEST_F(ExprTest, LogicOperatorsAndPrecedence) {
    EXPECT_TRUE(yes("!ISDEL"));
    EXPECT_TRUE(yes(".NOT. ISDEL"));
    EXPECT_TRUE(yes("not ISDEL"));
    EXPECT_FALSE(yes("UPPER(LNAME)='JO' .AND. !ISDEL"));
    EXPECT_TRUE(yes("UPPER(LNAME)='SM' .AND. !ISDEL"));
    EXPECT_TRUE(yes("'A'$UPPER(CODES) and !ISDEL"));
    EXPECT_TRUE(yes("ISDEL or 'A'$CODES AND .T."));
    // AND binds tighter than OR.
    EXPECT_TRUE(yes(".T. .OR. .F. .AND. .F."));
    EXPECT_FALSE(yes("(.T. .OR. .F.) .AND. .F."));
    // NOT binds tighter than AND, comparisons tighter than NOT.
    EXPECT_FALSE(yes("!.T. .AND. .T."));
    EXPECT_TRUE(yes("!LNAME='Jones'"));
    EXPECT_TRUE(yes("'A'='B' .OR. !'A'='B'"));
    // The filter builder's spellings.
    EXPECT_TRUE(yes("(UPPER(CODES)=\"A\").and..not.(\"Y\"$UPPER(CODES))"));
    EXPECT_FALSE(yes("(!((UPPER(LNAME)=\"SM\")))"));
    EXPECT_TRUE(yes("((\"Q\"$UPPER(CODES)).or.(\"B\"$UPPER(CODES))) .and. !ISDEL"));
    EXPECT_TRUE(yes(".y. .and. !.n."));
    EXPECT_TRUE(yes("ISDEL = .F."));
    EXPECT_TRUE(yes("DELETED() = .F."));
}

TEST_F(ExprTest, ArithmeticAndPrecedence) {
    EXPECT_DOUBLE_EQ(num("1+2*3"), 7);
    EXPECT_DOUBLE_EQ(num("(1+2)*3"), 9);
    EXPECT_DOUBLE_EQ(num("2^3^2"), 512);
    EXPECT_DOUBLE_EQ(num("2**3"), 8);
    EXPECT_DOUBLE_EQ(num("-2^2"), -4);
    EXPECT_DOUBLE_EQ(num("10-4-3"), 3);
    EXPECT_DOUBLE_EQ(num("7/2"), 3.5);
    EXPECT_DOUBLE_EQ(num("7%3"), 1);
    EXPECT_DOUBLE_EQ(num("-7%3"), 2);  // the sign of the divisor
    EXPECT_DOUBLE_EQ(num("MOD(7,-3)"), -2);
    EXPECT_DOUBLE_EQ(num(".5+1.25"), 1.75);
    EXPECT_DOUBLE_EQ(num("AMOUNT*2"), 25);
    EXPECT_DOUBLE_EQ(num("COUNT"), -3);
    EXPECT_DOUBLE_EQ(num("RECNO()+1"), 43);
    EXPECT_TRUE(yes("AMOUNT > 12 .AND. COUNT < 0"));
    EXPECT_TRUE(std::isinf(num("1/0")));
}

TEST_F(ExprTest, Functions) {
    EXPECT_EQ(str("UPPER(FNAME)"), "JOHN    ");
    EXPECT_EQ(str("LOWER('AbC\xC9')"), "abc\xE9");
    EXPECT_EQ(str("UPPER('stra\xDF" "e \xE9t\xE9')"), "STRA\xDF" "E \xC9T\xC9");
    EXPECT_EQ(str("TRIM(LNAME)"), "Smith");
    EXPECT_EQ(str("RTRIM(LNAME)"), "Smith");
    EXPECT_EQ(str("LTRIM('  a ')"), "a ");
    EXPECT_EQ(str("ALLTRIM('  a ')"), "a");
    EXPECT_EQ(str("SUBSTR(LNAME,2,3)"), "mit");
    EXPECT_EQ(str("SUBSTR(LNAME,4)"), "th     ");
    EXPECT_EQ(str("SUBSTR(LNAME,40,2)"), "");
    EXPECT_EQ(str("SUBS(LNAME,1,2)"), "Sm");  // four-letter abbreviation
    EXPECT_EQ(str("LEFT(LNAME,2)+RIGHT(TRIM(LNAME),2)"), "Smth");
    EXPECT_EQ(str("LEFT(LNAME,-1)"), "");
    EXPECT_DOUBLE_EQ(num("LEN(LNAME)"), 10);
    EXPECT_DOUBLE_EQ(num("LEN(TRIM(LNAME))"), 5);
    EXPECT_DOUBLE_EQ(num("AT('i',LNAME)"), 3);
    EXPECT_DOUBLE_EQ(num("AT('q',LNAME)"), 0);
    EXPECT_DOUBLE_EQ(num("AT('a','banana',2)"), 4);
    EXPECT_TRUE(yes("EMPTY('   ')"));
    EXPECT_FALSE(yes("EMPTY(LNAME)"));
    EXPECT_TRUE(yes("EMPTY(0) .AND. EMPTY(.F.) .AND. EMPTY(CTOD(''))"));
    EXPECT_FALSE(yes("DELETED()"));
    EXPECT_EQ(str("STR(AMOUNT,8,2)"), "   12.50");
    EXPECT_EQ(str("STR(42)"), "        42");
    EXPECT_EQ(str("STR(-0.2,4)"), "   0");
    EXPECT_EQ(str("STR(123456,3)"), "***");
    EXPECT_DOUBLE_EQ(num("VAL(' 12.5xyz')"), 12.5);
    EXPECT_DOUBLE_EQ(num("VAL('-3')+VAL('abc')"), -3);
    EXPECT_EQ(str("DTOS(BORN)"), "19990704");
    EXPECT_EQ(str("DTOS(BORN+30)"), "19990803");
    EXPECT_EQ(str("DTOC(BORN)"), "07/04/1999");
    EXPECT_EQ(str("DTOS(CTOD('02/29/2000'))"), "20000229");
    EXPECT_EQ(str("DTOS(CTOD('02/30/2000'))"), "        ");
    EXPECT_DOUBLE_EQ(num("YEAR(BORN)*10000+MONTH(BORN)*100+DAY(BORN)"), 19990704);
    EXPECT_EQ(str("IIF(ISDEL,'yes','no')"), "no");
    EXPECT_DOUBLE_EQ(num("IIF(!ISDEL,1,2)"), 1);
    EXPECT_EQ(str("SPACE(3)+'|'"), "   |");
    EXPECT_EQ(str("PADL('ab',4)+PADR('cd',4,'*')+PADC('x',3)"), "  abcd** x ");
    EXPECT_EQ(str("PADL('abcdef',3)"), "abc");
    EXPECT_EQ(str("REPLICATE('ab',3)"), "ababab");
    EXPECT_DOUBLE_EQ(num("MAX(1,5,3)+MIN(4,-2)"), 3);
    EXPECT_EQ(str("MAX('abc','abd')"), "abd");
    EXPECT_DOUBLE_EQ(num("ABS(-2.5)+INT(-1.7)+ROUND(2.345,2)"), 2.5 - 1 + 2.35);
    EXPECT_DOUBLE_EQ(num("ROUND(1250,-2)"), 1300);
    EXPECT_EQ(str("CHR(65)"), "A");
    EXPECT_DOUBLE_EQ(num("ASC('a')"), 97);
    EXPECT_GT(num("DATE()"), 2451545);  // after 2000-01-01
}

TEST_F(ExprTest, FieldsAsTheirTypes) {
    EXPECT_EQ(eval("ISDEL").type, ValueType::Logical);
    for (const char* t : {"T", "t", "Y", "y"}) {
        set("ISDEL", t);
        EXPECT_TRUE(yes("ISDEL")) << t;
    }
    for (const char* t : {"F", "n", " ", "?"}) {
        set("ISDEL", t);
        EXPECT_FALSE(yes("ISDEL")) << t;
    }
    set("AMOUNT", "");
    EXPECT_DOUBLE_EQ(num("AMOUNT"), 0);
    set("AMOUNT", "********");  // an overflowed number reads as zero
    EXPECT_DOUBLE_EQ(num("AMOUNT"), 0);
    Value born = eval("BORN");
    EXPECT_EQ(born.type, ValueType::Date);
    EXPECT_DOUBLE_EQ(born.num, julianFromDtos("19990704"));
    set("BORN", "");
    EXPECT_DOUBLE_EQ(num("BORN"), 0);
    EXPECT_EQ(str("DTOS(BORN)"), "        ");
    EXPECT_TRUE(yes("EMPTY(BORN)"));
    EXPECT_DOUBLE_EQ(num("BORN+5"), 0);  // an empty date stays empty
    // Names ignore case and an alias.
    EXPECT_EQ(str("lname"), "Smith     ");
    EXPECT_EQ(str("A->LNAME"), "Smith     ");
    // Memo text through the callback, empty without one.
    EXPECT_EQ(str("MEMO"), memoText);
    EvalContext c = ctx();
    c.memo = nullptr;
    EXPECT_EQ(Expression::compile("MEMO", schema)->evaluate(c).str, "");
    // The deletion flag.
    record[0] = '*';
    EXPECT_TRUE(yes("DELETED()"));
    // Without a record every field reads as blank.
    EvalContext none;
    EXPECT_EQ(Expression::compile("LNAME+'|'", schema)->evaluate(none).str, "          |");
    EXPECT_FALSE(Expression::compile("DELETED() .OR. ISDEL", schema)->evaluateLogical(none));
}

TEST_F(ExprTest, ForeignBinaryFieldTypes) {
    Schema s;
    FieldInfo i{"I", 'I', 4, 0, 1}, b{"B", 'B', 8, 0, 5}, y{"Y", 'Y', 8, 0, 13};
    s.fields = {i, b, y};
    s.recordLength = 21;
    std::string rec(21, '\0');
    rec[0] = ' ';
    const std::int32_t iv = -7;
    const double bv = 2.5;
    const std::int64_t yv = 123456;  // 12.3456
    std::memcpy(&rec[1], &iv, 4);
    std::memcpy(&rec[5], &bv, 8);
    std::memcpy(&rec[13], &yv, 8);
    EvalContext c;
    c.record = rec.data();
    EXPECT_DOUBLE_EQ(Expression::compile("I+B+Y", s)->evaluate(c).num, -7 + 2.5 + 12.3456);
}

TEST_F(ExprTest, StaticTypesAndWidths) {
    struct Case {
        const char* text;
        ValueType type;
        int keyLength;
    } cases[] = {
        {"UPPER(LNAME)", ValueType::Character, 10},
        {"UPPER(LNAME)+UPPER(FNAME)", ValueType::Character, 18},
        {"UPPER(LNAME-FNAME)", ValueType::Character, 18},
        {"TRIM(LNAME)", ValueType::Character, 10},
        {"SUBSTR(LNAME,3,4)", ValueType::Character, 4},
        {"SUBSTR(LNAME,3)", ValueType::Character, 8},
        {"LEFT(LNAME,20)", ValueType::Character, 10},
        {"STR(AMOUNT,12,2)", ValueType::Character, 12},
        {"IIF(ISDEL,LNAME,FNAME)", ValueType::Character, 10},
        {"DTOS(BORN)+LNAME", ValueType::Character, 18},
        {"SPACE(4)", ValueType::Character, 4},
        {"ISDEL", ValueType::Logical, 1},
        {"!ISDEL", ValueType::Logical, 1},
        {"DELETED()", ValueType::Logical, 1},
        {"AMOUNT", ValueType::Numeric, 8},
        {"BORN", ValueType::Date, 8},
        {"BORN-BORN", ValueType::Numeric, 8},
    };
    for (const auto& c : cases) {
        auto e = Expression::compile(c.text, schema);
        EXPECT_EQ(e->type(), c.type) << c.text;
        EXPECT_EQ(e->keyLength(), c.keyLength) << c.text;
        EXPECT_EQ(e->text(), c.text);
    }
}

TEST_F(ExprTest, KeysArePaddedCutAndSortable) {
    EXPECT_EQ(key("UPPER(LNAME)+UPPER(FNAME)"), "SMITH     JOHN    ");
    EXPECT_EQ(key("UPPER(LNAME-FNAME)"), "SMITHJOHN         ");
    EXPECT_EQ(key("TRIM(LNAME)"), "Smith     ");
    EXPECT_EQ(key("ISDEL"), "F");
    EXPECT_EQ(key("!ISDEL"), "T");
    EXPECT_EQ(key("DELETED()"), "F");
    EXPECT_EQ(key("UPPER(DATE)"), "19990704       ");  // a field named like a function
    EXPECT_EQ(key("AMOUNT"), numericKey(12.5));
    EXPECT_EQ(key("BORN"), numericKey(julianFromDtos("19990704")));
    // A memo longer than the key is cut.
    memoText = std::string(400, 'm');
    EXPECT_EQ(key("MEMO"), std::string(254, 'm'));
    // UPPER(x) is folded in the key itself: only the part kept, padded, and
    // the same bytes as the UPPER() value.
    EXPECT_EQ(key("UPPER(MEMO)"), std::string(254, 'M'));
    set("LNAME", "m\xFCller-j\xF6");
    EXPECT_EQ(key("UPPER(TRIM(LNAME))"), "M\xDCLLER-J\xD6 ");
    EXPECT_EQ(key("UPPER(LNAME)"), str("UPPER(LNAME)"));

    const std::vector<double> ordered = {-std::numeric_limits<double>::infinity(), -1e300, -12.5, -1, -0.001, 0,
                                         1e-300, 0.5, 1, 2, 12.5, 1e300};
    for (std::size_t i = 1; i < ordered.size(); ++i) {
        const std::string a = numericKey(ordered[i - 1]), b = numericKey(ordered[i]);
        ASSERT_EQ(a.size(), 8u);
        EXPECT_LT(std::memcmp(a.data(), b.data(), 8), 0) << ordered[i - 1] << " < " << ordered[i];
    }
    for (double v : ordered) EXPECT_EQ(numericFromKey(numericKey(v)), v);
    EXPECT_EQ(numericKey(-0.0), numericKey(0.0));
    EXPECT_EQ(numericKey(1.0), std::string("\xBF\xF0\0\0\0\0\0\0", 8));
    EXPECT_EQ(numericKey(-1.0), std::string("\x40\x0F\xFF\xFF\xFF\xFF\xFF\xFF", 8));
    EXPECT_EQ(numericFromKey("short"), 0);
}

TEST_F(ExprTest, JulianDays) {
    EXPECT_EQ(julianFromDtos("20000101"), 2451545);
    EXPECT_EQ(julianFromDtos("19700101"), 2440588);
    EXPECT_EQ(julianFromDtos("20000229"), 2451604);
    EXPECT_EQ(dtosFromJulian(2451545), "20000101");
    EXPECT_EQ(dtosFromJulian(2451604), "20000229");
    for (const char* bad : {"", "        ", "1999", "19990230", "19001329", "2000010a", "00000101", "200001011"})
        EXPECT_EQ(julianFromDtos(bad), 0) << bad;
    EXPECT_EQ(dtosFromJulian(0), "        ");
    EXPECT_EQ(dtosFromJulian(-5), "        ");
    EXPECT_EQ(dtosFromJulian(std::nan("")), "        ");
    EXPECT_EQ(dtosFromJulian(1e300), "        ");
    // Round trip over leap years and century boundaries.
    for (double j = julianFromDtos("18991225"); j < julianFromDtos("21010110"); j += 7)
        EXPECT_EQ(julianFromDtos(dtosFromJulian(j)), j);
}

TEST_F(ExprTest, NumberFormatting) {
    EXPECT_EQ(formatNumber(3.14159, 6, 2), "  3.14");
    EXPECT_EQ(formatNumber(123.456, 5, 2), "123.5");  // decimals give way first
    EXPECT_EQ(formatNumber(123456, 5, 0), "*****");
    EXPECT_EQ(formatNumber(-1.5, 5, 1), " -1.5");
    EXPECT_EQ(formatNumber(2.5, 3, 0), "  3");  // halves away from zero
    EXPECT_EQ(formatNumber(-2.5, 3, 0), " -3");
    EXPECT_EQ(formatNumber(2.675, 5, 2), " 2.68");
    EXPECT_EQ(formatNumber(1, 0, 0), "");
    EXPECT_EQ(formatNumber(std::nan(""), 4, 0), "****");
    EXPECT_EQ(formatNumber(1e300, 10, 2), "**********");
}

TEST_F(ExprTest, MalformedExpressionsNameTheProblemAndPosition) {
    struct Case {
        const char* text;
        std::size_t pos;
        const char* words;
    } cases[] = {
        {"UPPER(LNAM)", 7, "Unknown field \"LNAM\""},
        {"FOO(LNAME)", 1, "Unknown function \"FOO\""},
        {"UPPER(LNAME", 12, "Missing \")\""},
        {"(LNAME", 7, "Missing \")\""},
        {"LNAME)", 6, "Unexpected \")\""},
        {"'abc", 1, "Unterminated string"},
        {"LNAME + [x", 9, "Unterminated string"},
        {"LNAME FNAME", 7, "Unexpected \"FNAME\""},
        {"", 1, "Empty expression"},
        {"   ", 1, "Empty expression"},
        {"\"A\" + 1", 5, "Type mismatch"},
        {".NOT. 'x'", 1, "Type mismatch"},
        {"ISDEL .AND. LNAME", 7, "Type mismatch"},
        {"LNAME = 1", 7, "Type mismatch"},
        {"-LNAME", 1, "Type mismatch"},
        {"SUBSTR(LNAME)", 1, "SUBSTR() takes 2 to 3 arguments"},
        {"DELETED(1)", 1, "DELETED() takes 0 arguments"},
        {"UPPER(AMOUNT)", 7, "UPPER() needs a character argument 1"},
        {"IIF(ISDEL,1,'a')", 13, "IIF()"},
        {"LNAME +", 8, "Unexpected end of expression"},
        {"LNAME + * 2", 9, "Unexpected \"*\""},
        {"UPPER(,LNAME)", 7, "Unexpected \",\""},
        {"LNAME @ 2", 7, "Unexpected character \"@\""},
        {"ISDEL .XOR. ISDEL", 7, "Unknown operator \".XOR.\""},
        {"1 . 2", 3, "Unexpected \".\""},
        {"'a' $ 1", 5, "Type mismatch"},
    };
    for (const auto& c : cases) {
        try {
            Expression::compile(c.text, schema);
            ADD_FAILURE() << "no error for: " << c.text;
        } catch (const ExprError& e) {
            EXPECT_EQ(e.position(), c.pos) << c.text << " -> " << e.what();
            const std::string msg = e.what();
            EXPECT_NE(msg.find(c.words), std::string::npos) << c.text << " -> " << msg;
            EXPECT_NE(msg.find("at position " + std::to_string(c.pos)), std::string::npos) << msg;
        }
    }
    // A non-logical expression compiles but cannot serve as a condition.
    auto e = Expression::compile("LNAME", schema);
    EXPECT_THROW(e->evaluateLogical(ctx()), ExprError);
    EXPECT_THROW(Expression::evaluateConstant(e->root()), ExprError);
}

TEST_F(ExprTest, DeepNestingIsRefusedNotRecursedInto) {
    for (const char* unit : {"(", "!", "-", "UPPER("}) {
        std::string text;
        for (int i = 0; i < 5000; ++i) text += unit;
        EXPECT_THROW(Expression::compile(text + "x", schema), ExprError) << unit;
    }
    // Moderate nesting is fine.
    std::string ok;
    for (int i = 0; i < 100; ++i) ok += "(";
    ok += "1";
    for (int i = 0; i < 100; ++i) ok += ")";
    EXPECT_DOUBLE_EQ(num(ok), 1);
    // Long flat chains are bounded too, and a moderate one works.
    std::string chain = "1";
    for (int i = 0; i < 1000; ++i) chain += "+1";
    EXPECT_DOUBLE_EQ(num(chain), 1001);
    for (int i = 0; i < 5000; ++i) chain += "+1";
    EXPECT_THROW(Expression::compile(chain, schema), ExprError);
}

TEST_F(ExprTest, CanonicalFormMatchesDifferentSpellings) {
    auto canon = [&](const char* t) { return Expression::compile(t, schema)->canonical(); };
    EXPECT_EQ(canon("upper( lname )"), "UPPER(LNAME)");
    EXPECT_EQ(canon("UPPER(LNAME)"), canon("(upper(a->lname))"));
    EXPECT_EQ(canon("upper(lname-fname)"), "UPPER(LNAME-FNAME)");
    EXPECT_EQ(canon("!isdel"), ".NOT.ISDEL");
    EXPECT_EQ(canon("not isdel"), canon(".not. ISDEL"));
    EXPECT_EQ(canon("a->isdel and not deleted()"), "ISDEL.AND..NOT.DELETED()");
    EXPECT_EQ(canon("LNAME # 'x'"), "LNAME<>\"x\"");
    EXPECT_EQ(canon("LNAME != [x]"), canon("LNAME<>\"x\""));
    EXPECT_EQ(canon("2**3"), canon("2^3"));
    EXPECT_EQ(canon("'say \"hi\"'$MEMO"), "'say \"hi\"'$MEMO");
    EXPECT_EQ(canon("subs(lname,1,2)"), "SUBSTR(LNAME,1,2)");
    EXPECT_EQ(canon(".t. or .N."), ".T..OR..F.");
    EXPECT_NE(canon("1+2*3"), canon("(1+2)*3"));
    EXPECT_NE(canon("'ab'"), canon("'AB'"));  // literals keep their case
    EXPECT_EQ(canon("1.50+0012"), "1.5+12");
    // A literal too long for a double still has a canonical form that compiles.
    const std::string big = "1" + std::string(400, '0');
    EXPECT_EQ(num(canon(big.c_str())), std::numeric_limits<double>::max());
    // The canonical text compiles back to the same tree.
    for (const char* t : {"(1+2)*3", "-(1+2)", "(-2)^2", "2^-1", "!(ISDEL .OR. .T.) .AND. .F.",
                          "((A->LNAME))-(FNAME+CODES)",
                          "ISDEL = !ISDEL", "1-(2-3)", "10/(2*5)"}) {
        auto e = Expression::compile(t, schema);
        EXPECT_EQ(Expression::compile(e->canonical(), schema)->canonical(), e->canonical()) << t;
        const Value a = e->evaluate(ctx()), b = Expression::compile(e->canonical(), schema)->evaluate(ctx());
        EXPECT_EQ(a.str, b.str) << t;
        EXPECT_EQ(a.num, b.num) << t;
        EXPECT_EQ(a.log, b.log) << t;
    }
}

TEST_F(ExprTest, TreeForTheFilterOptimiser) {
    auto e = Expression::compile("UPPER(LNAME)=\"JO\" .and. !ISDEL", schema);
    const ExprNode& r = e->root();
    ASSERT_EQ(r.kind, NodeKind::Binary);
    EXPECT_EQ(r.op, ".AND.");
    EXPECT_FALSE(r.constant);
    const ExprNode& cmp = *r.args[0];
    EXPECT_EQ(cmp.op, "=");
    EXPECT_EQ(cmp.pos, 13u);
    EXPECT_EQ(cmp.args[0]->canonical(), "UPPER(LNAME)");
    ASSERT_TRUE(cmp.args[1]->constant);
    EXPECT_EQ(Expression::evaluateConstant(*cmp.args[1]).str, "JO");
    const ExprNode& neg = *r.args[1];
    EXPECT_EQ(neg.kind, NodeKind::Unary);
    EXPECT_EQ(neg.op, ".NOT.");
    EXPECT_EQ(neg.args[0]->kind, NodeKind::Field);
    EXPECT_EQ(neg.args[0]->field, schema.find("ISDEL"));

    auto c = Expression::compile("UPPER('a'+'b')+STR(2*3,2)", schema);
    EXPECT_TRUE(c->root().constant);
    EXPECT_EQ(Expression::evaluateConstant(c->root()).str, "AB 6");
    EXPECT_FALSE(Expression::compile("RECNO()+1", schema)->root().constant);
}

TEST_F(ExprTest, CompiledExpressionIsReusableAcrossRecords) {
    auto e = Expression::compile("UPPER(LNAME)+UPPER(FNAME)", schema);
    std::vector<std::string> keys;
    for (const char* name : {"adams", "Zimmer", "\xE9mile", "smith"}) {
        set("LNAME", name);
        std::string k;
        e->evaluateKey(ctx(), k);
        keys.push_back(k);
    }
    EXPECT_EQ(keys[0].substr(0, 10), "ADAMS     ");
    EXPECT_EQ(keys[1].substr(0, 10), "ZIMMER    ");
    EXPECT_EQ(keys[2].substr(0, 10), "\xC9MILE     ");
    EXPECT_EQ(keys[3].substr(0, 10), "SMITH     ");
}

}  // namespace

TEST_F(ExprTest, QuotedUserTextNeverBecomesSyntax) {
    // Each hostile value must come back as one literal holding exactly itself,
    // and a filter built from it must test a field, not change the expression.
    const std::vector<std::string> hostile = {
        "O\"Neil", "O'Neil", "X\".OR.LNAME=\"", "X'.OR.LNAME='", "a\"b'c", "[x]", "a]\"", "]'",
        "Smith\" .OR. .T. .OR. \"", "", "M\xFCller", ".T.", "LNAME"};
    for (const auto& v : hostile) {
        const auto q = quoteStringLiteral(v);
        ASSERT_TRUE(q.has_value()) << v;
        EXPECT_EQ(str(*q), v) << *q;
        set("LNAME", "Smith");
        EXPECT_FALSE(yes("LNAME==" + *q)) << *q;
    }
    set("LNAME", "O\"Neil");
    EXPECT_TRUE(yes("TRIM(LNAME)==" + *quoteStringLiteral("O\"Neil")));
    // All three delimiters: no literal can hold it.
    EXPECT_FALSE(quoteStringLiteral("a\"b'c]d").has_value());
    EXPECT_TRUE(quoteStringLiteral("a\"b'c[d").has_value());  // an opening bracket is harmless inside [ ]
}
