#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/bank_details.h"
#include "core/files.h"
#include "core/payee_file.h"
#include "support/test_support.h"

namespace qdx {
namespace {

// Example IBANs the national banks and the IBAN registry publish.
const char* const kPublishedIbans[] = {
    "DE89370400440532013000",       "GB29NWBK60161331926819",   "FR1420041010050500013M02606",
    "NL91ABNA0417164300",           "BE68539007547034",         "AT611904300234573201",
    "CH9300762011623852957",        "ES9121000418450200051332", "IT60X0542811101000000123456",
    "PL61109010140000071219812874", "FI2112345600000785",       "NO9386011117947",
    "SE4550000000058398257466",     "DK5000400440116243",       "IE29AIBK93115212345678",
    "PT50000201231234567890154",    "LU280019400644750000",
};

TEST(IbanTest, PublishedExamplesPassAndEachWithOneDigitChangedFails) {
    for (const char* iban : kPublishedIbans) {
        SCOPED_TRACE(iban);
        const BankCheck good = check_iban(iban);
        EXPECT_TRUE(good.ok()) << good.error;
        EXPECT_EQ(good.value, iban);
        // Every digit of the national part, changed by one: mod 97 catches each.
        const std::string text = iban;
        for (size_t i = 4; i < text.size(); ++i) {
            if (text[i] < '0' || text[i] > '9') continue;
            std::string bad = text;
            bad[i] = bad[i] == '9' ? '0' : static_cast<char>(bad[i] + 1);
            const BankCheck wrong = check_iban(bad);
            EXPECT_FALSE(wrong.ok()) << bad;
            EXPECT_NE(wrong.error.find("check digits"), std::string::npos) << wrong.error;
        }
    }
}

TEST(IbanTest, BlanksAndLowerCaseAreNormalisedOtherFaultsNamed) {
    const BankCheck typed = check_iban(" de89 3704 0044 0532 0130 00 ");
    EXPECT_TRUE(typed.ok()) << typed.error;
    EXPECT_EQ(typed.value, "DE89370400440532013000");

    // A German IBAN one character short, and one too long.
    const BankCheck shortIban = check_iban("DE8937040044053201300");
    EXPECT_EQ(shortIban.error,
              "The IBAN \"DE8937040044053201300\" has 21 characters; an IBAN of DE has 22");
    EXPECT_FALSE(check_iban("NL91ABNA04171643001").ok());
    // Letters where a German IBAN has digits, and in the check digits.
    const BankCheck letter = check_iban("DE89370400440532O13000");
    EXPECT_NE(letter.error.find("letter \"O\" at place 17"), std::string::npos) << letter.error;
    EXPECT_NE(check_iban("DEX9370400440532013000").error.find("check digits stand"),
              std::string::npos);
    EXPECT_NE(check_iban("XX89370400440532013000").error.find("country"), std::string::npos);
    EXPECT_NE(check_iban("DE89-3704-0044").error.find("\"-\""), std::string::npos);
    EXPECT_FALSE(check_iban("").ok());
    EXPECT_FALSE(check_iban("D").ok());
    // Two digits swapped: the check digits catch it too.
    EXPECT_FALSE(check_iban("DE89370400440532010300").ok());
}

TEST(BicTest, EightOrElevenCharactersOfTheRightKinds) {
    EXPECT_TRUE(check_bic("DEUTDEFF").ok());
    EXPECT_TRUE(check_bic("deut de ff 500").ok());
    EXPECT_EQ(check_bic("deut de ff 500").value, "DEUTDEFF500");
    EXPECT_TRUE(check_bic("NWBKGB2L").ok());
    const BankCheck nine = check_bic("DEUTDEFF5");
    EXPECT_EQ(nine.error,
              "The BIC \"DEUTDEFF5\" has 9 characters; a BIC has 8 or 11 (such as DEUTDEFF or "
              "DEUTDEFF500)");
    EXPECT_FALSE(check_bic("DEU1DEFF").ok());  // a digit in the bank code
    EXPECT_FALSE(check_bic("DEUTD3FF").ok());  // a digit in the country code
    EXPECT_FALSE(check_bic("DEUTDE1F").ok());  // a place code no bank has
    EXPECT_FALSE(check_bic("DEUTDEF-").ok());
}

TEST(SepaNameTest, OtherLettersAreTransliteratedAndAnEmptyResultRefused) {
    EXPECT_EQ(check_sepa_name("Łukasz Żółć").value, "Lukasz Zolc");
    EXPECT_EQ(check_sepa_name("Jürgen  Groß & Söhne").value, "Jurgen Gross Sohne");
    EXPECT_EQ(check_sepa_name("Щукин").value, "Shchukin");
    EXPECT_EQ(check_sepa_name("O'Brien-Smith").value, "O'Brien-Smith");
    EXPECT_EQ(check_sepa_name(std::string(80, 'a')).value, std::string(70, 'a'));
    EXPECT_TRUE(is_sepa_text(check_sepa_name("Zoë <b>Müller</b> \"x\"").value));

    const BankCheck han = check_sepa_name("李小龍");
    EXPECT_FALSE(han.ok());
    EXPECT_EQ(han.value, "");
    EXPECT_NE(han.error.find("\"李小龍\""), std::string::npos) << han.error;
    EXPECT_NE(han.error.find("Latin letters"), std::string::npos) << han.error;
    EXPECT_FALSE(check_sepa_name("").ok());
}

TEST(PayeeCheckTest, BankTransferNeedsNameAndIbanOutsideSepaTheBic) {
    PayeeDetails typed{PayMethod::BankTransfer, "Łukasz Żółć", "pl61 1090 1014 0000 0712 1981 2874",
                       "", ""};
    const PayeeCheck check = check_payee(typed);
    ASSERT_TRUE(check.ok()) << check.error;
    EXPECT_TRUE(check.nameChanged);
    EXPECT_EQ(check.details.holder, "Lukasz Zolc");
    EXPECT_EQ(check.details.iban, "PL61109010140000071219812874");

    typed.iban = "";
    EXPECT_EQ(check_payee(typed).error, "No IBAN: a bank transfer needs the payee's IBAN");
    typed = {PayMethod::BankTransfer, "Ann Lee", "TR330006100519786457841326", "", ""};
    EXPECT_NE(check_payee(typed).error.find("need the BIC"), std::string::npos);
    typed.bic = "AKBKTRIS";
    EXPECT_TRUE(check_payee(typed).ok()) << check_payee(typed).error;

    // PayPal needs nothing more, but a given e-mail must be one, and a
    // mistyped IBAN is refused whatever the method.
    EXPECT_TRUE(check_payee({PayMethod::PayPal, "", "", "", ""}).ok());
    EXPECT_FALSE(check_payee({PayMethod::PayPal, "", "", "", "ann at example.com"}).ok());
    EXPECT_FALSE(check_payee({PayMethod::Wise, "", "DE89370400440532013001", "", ""}).ok());
}

TEST(PayMethodTest, NamesReadBack) {
    for (PayMethod m :
         {PayMethod::None, PayMethod::BankTransfer, PayMethod::PayPal, PayMethod::Wise}) {
        PayMethod read = PayMethod::Wise;
        ASSERT_TRUE(parse_pay_method(pay_method_name(m), read));
        EXPECT_EQ(read, m);
    }
    PayMethod m;
    EXPECT_TRUE(parse_pay_method(" Bank-Transfer ", m));
    EXPECT_EQ(m, PayMethod::BankTransfer);
    EXPECT_FALSE(parse_pay_method("cheque", m));
}

TEST(PayeeFileTest, RecordsByAffiliateIdMissingOnesEmptyDamagedOnesSaidSo) {
    test::TempFolder folder;
    const auto path = folder.path() / "data" / payee::kFileName;
    {
        PayeeFile missing(path);
        EXPECT_EQ(missing.read(5).details, PayeeDetails());
        EXPECT_FALSE(file_exists(path));  // reading creates nothing
    }
    const PayeeDetails ann{PayMethod::BankTransfer, "Ann Lee", "DE89370400440532013000", "DEUTDEFF",
                           ""};
    const PayeeDetails bob{PayMethod::PayPal, "", "", "", "bob@example.com"};
    write_payee_file(path, {ann, PayeeDetails(), bob});
    EXPECT_EQ(read_whole_file(path).size(), 3 * payee::kRecordSize);
    {
        PayeeFile file(path);
        EXPECT_EQ(file.read(1).details, ann);
        EXPECT_EQ(file.read(2).details, PayeeDetails());
        EXPECT_EQ(file.read(3).details, bob);
        EXPECT_EQ(file.read(4).details, PayeeDetails());  // past the end
        // Affiliate 7 written in place: 4 to 6 read as not given.
        file.write(7, bob);
        file.write(1, PayeeDetails{PayMethod::Wise, "", "", "", "ann@example.com"});
        EXPECT_EQ(file.read(7).details, bob);
        EXPECT_EQ(file.read(5).details, PayeeDetails());
        EXPECT_EQ(file.read(1).details.method, PayMethod::Wise);
        EXPECT_EQ(file.read(1).details.iban, "");
    }
    // A damaged method byte and a record shifted by one byte are named, never read as details.
    std::string bytes = read_whole_file(path);
    bytes[0] = 'X';
    bytes.insert(2 * payee::kRecordSize + 10, 1, ' ');
    write_file_atomically(path, bytes);
    PayeeFile damaged(path);
    const PayeeFile::Lookup first = damaged.read(1);
    EXPECT_EQ(first.details, PayeeDetails());
    EXPECT_EQ(first.damage,
              "the payment details of affiliate ID 1 in payees.qdx are damaged (an unknown "
              "payment method)");
    EXPECT_NE(damaged.read(3).damage.find("does not end where it should"), std::string::npos);
}

}  // namespace
}  // namespace qdx
