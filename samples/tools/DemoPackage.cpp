#include "DemoPackage.h"

#include "FormPage.h"
#include "Quodex.h"
#include "Strings.h"

#include <string>
#include <vector>

namespace pg {

namespace {

// ---- The loan -------------------------------------------------------------------------------

const std::string kLenderName = "Harbor Point Savings";
const std::string kWorksheet = "2026114";
const std::string kPlanCode = "CONV30";
const std::string kLoanNumber = "HPS-2026114";
const std::string kBorrower1 = "Margaret A. Ellsworth";
const std::string kBorrower2 = "Thomas J. Ellsworth";
const std::string kBorrowers = "MARGARET A. ELLSWORTH AND THOMAS J. ELLSWORTH";
const std::string kStreet = "1847 TIDEWATER LANE";
const std::string kCityStateZip = "PORT CARROW, OR 97999";
const std::string kPropertyAddress = kStreet + ", " + kCityStateZip;
const std::string kNoteDate = "MARCH 2, 2026";
const std::string kPrincipal = "$312,000.00";
const std::string kRate = "6.375%";
const std::string kPayment = "$1,946.47";
const std::string kFinalPayment = "$1,950.96";
const std::string kFirstPayment = "MAY 1, 2026";
const std::string kMaturity = "APRIL 1, 2056";
const std::string kLenderAddress = "400 QUAY STREET, PORT CARROW, OR 97999";
const std::string kTrustee = "CASCADE TITLE AND ESCROW COMPANY";

constexpr int kLeft = TFormPage::kLeft;
constexpr int kRight = TFormPage::kRight;

std::string Upper(const std::string& s) {
    return UpperCase(s);
}

// Dollars and cents with thousands separators, from cents.
std::string Money(long cents) {
    std::string whole = IntToStr(cents / 100);
    for (int i = int(whole.size()) - 3; i > 0; i -= 3)
        whole.insert(size_t(i), ",");
    return "$" + whole + "." + PadLeft(IntToStr(cents % 100), 2, '0');
}

TPclFont Body() {
    return Times(10.5);
}
constexpr int kBodyLeading = 44;

TPclFont Fine() {
    return Times(9.5);
}
constexpr int kFineLeading = 40;

// The lender block and the loan-number box at the top of every page; returns the y below them.
int PageHeader(TFormPage& p) {
    p.Label(kLeft, 42, Univers(11, true), "HARBOR POINT SAVINGS");
    p.Label(kLeft, 76, Univers(7), "400 Quay Street  -  Port Carrow, Oregon 97999  -  Equal Housing Lender");
    p.RowAt(1775, 0, 550, {{0, "Loan Number", kLoanNumber}}, 97);
    return 115;
}

int Paragraphs(TFormPage& p, int y, const std::vector<std::string>& texts, const TPclFont& font,
               int leading) {
    for (const std::string& t : texts)
        y = p.Paragraph(y, t, font, leading) + 6;
    return y;
}

// ---- Note -----------------------------------------------------------------------------------

TFormPage NotePage1() {
    TFormPage p(TPaper::Letter);
    int y = PageHeader(p);
    y = p.Title(y, "NOTE");
    p.Centred(y + 25, Times(10, false, true), "(Fixed Rate - Thirty Year Term)");
    y += 60;
    y = p.Row(y, {{600, "Note Date", kNoteDate}, {900, "City", "PORT CARROW"}, {0, "State", "OREGON"}});
    y = p.Row(y, {{0, "Property Address", kPropertyAddress}}) + 40;
    y = p.Heading(y, "1.  BORROWER'S PROMISE TO PAY");
    y = p.Paragraph(y,
                    "In return for a loan that I have received, I promise to pay the amount shown in Box A "
                    "(this amount is called \"Principal\"), plus interest, to the order of the Lender. The "
                    "Lender is Harbor Point Savings. I will make all payments under this Note in the form "
                    "of cash, check or money order. I understand that the Lender may transfer this Note. "
                    "The Lender or anyone who takes this Note by transfer and who is entitled to receive "
                    "payments under this Note is called the \"Note Holder.\"",
                    Body(), kBodyLeading) +
        10;
    y = p.Row(y, {{750, "A.  Principal Amount", kPrincipal},
                  {750, "B.  Yearly Interest Rate", kRate},
                  {0, "C.  Term", "360 MONTHS"}}) +
        40;
    y = p.Heading(y, "2.  INTEREST");
    y = p.Paragraph(y,
                    "Interest will be charged on unpaid principal until the full amount of Principal has "
                    "been paid. I will pay interest at the yearly rate shown in Box B. The interest rate "
                    "required by this Section 2 is the rate I will pay both before and after any default "
                    "described in Section 6(B) of this Note.",
                    Body(), kBodyLeading) +
        40;
    y = p.Heading(y, "3.  PAYMENTS");
    y = Paragraphs(p, y,
                   {"(A) Time and Place of Payments. I will pay principal and interest by making a payment "
                    "every month. I will make my monthly payment on the first day of each month beginning "
                    "on the date shown in Box D. I will make these payments every month until I have paid "
                    "all of the principal and interest and any other charges described below that I may owe "
                    "under this Note. Each monthly payment will be applied as of its scheduled due date and "
                    "will be applied to interest before Principal. If, on the date shown in Box E, I still "
                    "owe amounts under this Note, I will pay those amounts in full on that date, which is "
                    "called the \"Maturity Date.\""},
                   Body(), kBodyLeading) +
        4;
    y = p.Row(y, {{750, "D.  First Payment Date", kFirstPayment},
                  {750, "E.  Maturity Date", kMaturity},
                  {0, "F.  Monthly Payment", kPayment}}) +
        10;
    y = p.Paragraph(y,
                    "I will make my monthly payments at the place shown in Box G or at a different place if "
                    "required by the Note Holder.",
                    Body(), kBodyLeading) +
        10;
    y = p.Row(y, {{0, "G.  Place of Payment", kLenderAddress}}) + 10;
    p.Paragraph(y, "(B) Amount of Monthly Payments. My monthly payment will be in the amount shown in Box F.",
                Body(), kBodyLeading);
    p.Footer("HPS Form 3200  Fixed Rate Note  (NOTE.DOT)  Rev. 01/2025", 1, 2);
    return p;
}

TFormPage NotePage2() {
    TFormPage p(TPaper::Letter);
    int y = PageHeader(p) + 20;
    y = p.Heading(y, "4.  BORROWER'S RIGHT TO PREPAY");
    y = p.Paragraph(y,
                    "I have the right to make payments of Principal at any time before they are due. A "
                    "payment of Principal only is known as a \"Prepayment.\" When I make a Prepayment, I "
                    "will tell the Note Holder in writing that I am doing so. I may make a full Prepayment "
                    "or partial Prepayments without paying a Prepayment charge. The Note Holder will use "
                    "my Prepayments to reduce the amount of Principal that I owe under this Note.",
                    Body(), kBodyLeading) +
        40;
    y = p.Heading(y, "5.  LOAN CHARGES");
    y = p.Paragraph(y,
                    "If a law, which applies to this loan and which sets maximum loan charges, is finally "
                    "interpreted so that the interest or other loan charges collected or to be collected in "
                    "connection with this loan exceed the permitted limits, then any such loan charge shall "
                    "be reduced by the amount necessary to reduce the charge to the permitted limit, and "
                    "any sums already collected from me which exceeded permitted limits will be refunded "
                    "to me.",
                    Body(), kBodyLeading) +
        40;
    y = p.Heading(y, "6.  BORROWER'S FAILURE TO PAY AS REQUIRED");
    y = p.Paragraph(y,
                    "(A) Late Charge for Overdue Payments. If the Note Holder has not received the full "
                    "amount of any monthly payment by the end of the number of calendar days shown in "
                    "Box H after the date it is due, I will pay a late charge to the Note Holder. The "
                    "amount of the charge will be the percentage shown in Box I of my overdue payment of "
                    "principal and interest. I will pay this late charge promptly but only once on each "
                    "late payment.",
                    Body(), kBodyLeading) +
        10;
    y = p.Row(y, {{1125, "H.  Late Charge Period", "15 CALENDAR DAYS"}, {0, "I.  Late Charge", "5.000%"}}) +
        10;
    y = p.Paragraph(y,
                    "(B) Default. If I do not pay the full amount of each monthly payment on the date it is "
                    "due, I will be in default. If I am in default, the Note Holder may send me a written "
                    "notice telling me that if I do not pay the overdue amount by a certain date, the Note "
                    "Holder may require me to pay immediately the full amount of Principal which has not "
                    "been paid and all the interest that I owe on that amount.",
                    Body(), kBodyLeading) +
        40;
    y = p.Heading(y, "7.  GIVING OF NOTICES");
    y = p.Paragraph(y,
                    "Unless applicable law requires a different method, any notice that must be given to me "
                    "under this Note will be given by delivering it or by mailing it by first class mail to "
                    "me at the Property Address above or at a different address if I give the Note Holder "
                    "a notice of my different address.",
                    Body(), kBodyLeading) +
        40;
    y = p.Heading(y, "8.  OBLIGATIONS OF PERSONS UNDER THIS NOTE");
    y = p.Paragraph(y,
                    "If more than one person signs this Note, each person is fully and personally obligated "
                    "to keep all of the promises made in this Note, including the promise to pay the full "
                    "amount owed.",
                    Body(), kBodyLeading) +
        30;
    y = p.Paragraph(y, "WITNESS THE HAND(S) AND SEAL(S) OF THE UNDERSIGNED.", Times(10, true), kBodyLeading) +
        10;
    y = p.SignatureRow(y, {{1125, "Borrower", Upper(kBorrower1)}, {0, "Borrower", Upper(kBorrower2)}});
    p.Label(kRight - 400, y + 45, Times(9, false, true), "[Sign Original Only]");
    p.Footer("HPS Form 3200  Fixed Rate Note  (NOTE.DOT)  Rev. 01/2025", 2, 2);
    return p;
}

// ---- Deed of Trust --------------------------------------------------------------------------

const std::string kDeedFooter =
    "OREGON - Single Family  HPS Form 3038  Deed of Trust  (DEED.DOT)  Rev. 01/2025";

TFormPage DeedPage1() {
    TFormPage p(TPaper::Legal);
    int y = p.Row(0,
                  {{1300, "Recording Requested By and When Recorded Mail To:",
                    "HARBOR POINT SAVINGS\nATTN: FINAL DOCUMENTS\n400 QUAY STREET\nPORT CARROW, OR 97999"},
                   {0, "Assessor's Parcel Number\n\nLoan Number", "R-117-0342-00\n\n" + kLoanNumber}},
                  260);
    p.Label(kLeft, y + 280, Univers(7), "[Space Above This Line For Recording Data]");
    p.Rule(kLeft, y + 300, TFormPage::kWidth, 5);
    y += 330;
    y = p.Title(y, "DEED OF TRUST", 20);
    y = p.Heading(y + 10, "DEFINITIONS");
    y = p.Paragraph(
            y,
            "Words used in multiple sections of this document are defined below and other words are "
            "defined in Sections 3, 11, 13, 18, 20 and 21. Certain rules regarding the usage of words "
            "used in this document are also provided in Section 16.",
            Body(), kBodyLeading) +
        10;
    y = p.Row(y, {{600, "(A)  Security Instrument Date", kNoteDate}, {0, "(B)  Borrower", kBorrowers}});
    y = p.Row(y, {{900, "(C)  Lender", "HARBOR POINT SAVINGS"}, {0, "(D)  Trustee", kTrustee}});
    y = p.Row(y, {{600, "(E)  Note Date", kNoteDate},
                  {700, "(F)  Principal Amount", kPrincipal},
                  {0, "(G)  Maturity Date", kMaturity}});
    y = p.Row(y, {{0, "(H)  Property Address", kPropertyAddress}}) + 10;
    y = Paragraphs(
            p, y,
            {"\"Borrower\" is the trustor under this Security Instrument. \"Lender\" is the beneficiary "
             "under this Security Instrument and is organized and existing under the laws of the State "
             "of Oregon. \"Note\" means the promissory note signed by Borrower and dated as shown in "
             "(E), in which Borrower promises to pay Lender the amount shown in (F) plus interest in "
             "regular periodic payments and to pay the debt in full not later than the date shown in (G).",
             "\"Property\" means the property that is described below under the heading \"Transfer of "
             "Rights in the Property.\" \"Loan\" means the debt evidenced by the Note, plus interest, "
             "any prepayment charges and late charges due under the Note, and all sums due under this "
             "Security Instrument, plus interest.",
             "\"Riders\" means all Riders to this Security Instrument that are executed by Borrower. The "
             "following Riders are to be executed by Borrower [check box as applicable]:"},
            Body(), kBodyLeading) +
        10;
    const int columns[3] = {kLeft + 40, kLeft + 780, kLeft + 1520};
    p.CheckBox(columns[0], y, "Adjustable Rate Rider", false);
    p.CheckBox(columns[1], y, "Condominium Rider", false);
    p.CheckBox(columns[2], y, "Second Home Rider", false);
    y += 70;
    p.CheckBox(columns[0], y, "Planned Unit Development Rider", true);
    p.CheckBox(columns[1], y, "1-4 Family Rider", false);
    p.CheckBox(columns[2], y, "Biweekly Payment Rider", false);
    y += 90;
    y = Paragraphs(
        p, y,
        {"\"Applicable Law\" means all controlling applicable federal, state and local statutes, "
         "regulations, ordinances and administrative rules and orders that have the effect of law "
         "as well as all applicable final, non-appealable judicial opinions.",
         "\"Escrow Items\" means those items that are described in Section 3. \"Periodic Payment\" "
         "means the regularly scheduled amount due for principal and interest under the Note, plus "
         "any amounts under Section 3 of this Security Instrument."},
        Body(), kBodyLeading);
    p.Footer(kDeedFooter, 1, 3);
    return p;
}

TFormPage DeedPage2() {
    TFormPage p(TPaper::Legal);
    int y = p.Heading(20, "TRANSFER OF RIGHTS IN THE PROPERTY");
    y = p.Paragraph(y,
                    "This Security Instrument secures to Lender: (i) the repayment of the Loan, and all "
                    "renewals, extensions and modifications of the Note; and (ii) the performance of "
                    "Borrower's covenants and agreements under this Security Instrument and the Note. For "
                    "this purpose, Borrower irrevocably grants and conveys to Trustee, in trust, with power "
                    "of sale, the following described property located in the county named below:",
                    Body(), kBodyLeading) +
        10;
    y = p.Row(y, {{1125, "County", "LARKIN"}, {0, "Type of Recording Jurisdiction", "COUNTY"}});
    y = p.Row(y,
              {{0, "Legal Description",
                "LOT 14, BLOCK 3, TIDEWATER HEIGHTS ADDITION, ACCORDING TO\n"
                "THE PLAT THEREOF RECORDED IN BOOK 22 OF PLATS, PAGE 17,\n"
                "RECORDS OF LARKIN COUNTY, OREGON."}},
              200);
    y = p.Row(y, {{700, "Parcel ID Number", "R-117-0342-00"},
                  {0, "Which Currently Has the Address of", kPropertyAddress}}) +
        10;
    y = Paragraphs(
            p, y,
            {"TOGETHER WITH all the improvements now or hereafter erected on the property, and all "
             "easements, appurtenances, and fixtures now or hereafter a part of the property. All "
             "replacements and additions shall also be covered by this Security Instrument. All of the "
             "foregoing is referred to in this Security Instrument as the \"Property.\"",
             "BORROWER COVENANTS that Borrower is lawfully seised of the estate hereby conveyed and has "
             "the right to grant and convey the Property and that the Property is unencumbered, except "
             "for encumbrances of record. Borrower warrants and will defend generally the title to the "
             "Property against all claims and demands, subject to any encumbrances of record."},
            Body(), kBodyLeading) +
        30;
    y = p.Heading(y, "UNIFORM COVENANTS");
    y = Paragraphs(
        p, y,
        {"Borrower and Lender covenant and agree as follows:",
         "1. Payment of Principal, Interest, Escrow Items, Prepayment Charges, and Late Charges. "
         "Borrower shall pay when due the principal of, and interest on, the debt evidenced by the "
         "Note and any prepayment charges and late charges due under the Note. Borrower shall also "
         "pay funds for Escrow Items pursuant to Section 3. Payments due under the Note and this "
         "Security Instrument shall be made in U.S. currency.",
         "2. Application of Payments or Proceeds. Except as otherwise described in this Section 2, "
         "all payments accepted and applied by Lender shall be applied in the following order of "
         "priority: (a) interest due under the Note; (b) principal due under the Note; (c) amounts "
         "due under Section 3. Such payments shall be applied to each Periodic Payment in the order "
         "in which it became due.",
         "3. Funds for Escrow Items. Borrower shall pay to Lender on the day Periodic Payments are "
         "due under the Note, until the Note is paid in full, a sum (the \"Funds\") to provide for "
         "payment of amounts due for taxes and assessments and other items which can attain priority "
         "over this Security Instrument as a lien or encumbrance on the Property, and premiums for "
         "any and all insurance required by Lender.",
         "4. Charges; Liens. Borrower shall pay all taxes, assessments, charges, fines, and "
         "impositions attributable to the Property which can attain priority over this Security "
         "Instrument, leasehold payments or ground rents on the Property, if any, and Community "
         "Association Dues, Fees, and Assessments, if any.",
         "5. Property Insurance. Borrower shall keep the improvements now existing or hereafter "
         "erected on the Property insured against loss by fire, hazards included within the term "
         "\"extended coverage,\" and any other hazards including, but not limited to, earthquakes "
         "and floods, for which Lender requires insurance. This insurance shall be maintained in "
         "the amounts and for the periods that Lender requires.",
         "6. Occupancy. Borrower shall occupy, establish, and use the Property as Borrower's "
         "principal residence within 60 days after the execution of this Security Instrument and "
         "shall continue to occupy the Property as Borrower's principal residence for at least one "
         "year after the date of occupancy, unless Lender otherwise agrees in writing.",
         "7. Preservation, Maintenance and Protection of the Property; Inspections. Borrower shall not "
         "destroy, damage or impair the Property, allow the Property to deteriorate or commit waste on "
         "the Property. Lender or its agent may make reasonable entries upon and inspections of the "
         "Property, giving Borrower notice at the time of or prior to such an interior inspection.",
         "8. Borrower's Loan Application. Borrower shall be in default if, during the Loan application "
         "process, Borrower or any persons or entities acting at the direction of Borrower gave "
         "materially false, misleading, or inaccurate information or statements to Lender in "
         "connection with the Loan.",
         "9. Protection of Lender's Interest in the Property and Rights Under this Security "
         "Instrument. If Borrower fails to perform the covenants and agreements contained in this "
         "Security Instrument, then Lender may do and pay for whatever is reasonable or appropriate to "
         "protect Lender's interest in the Property and rights under this Security Instrument, "
         "including protecting and assessing the value of the Property, and securing and repairing "
         "the Property. Any amounts disbursed by Lender under this Section 9 shall become additional "
         "debt of Borrower secured by this Security Instrument.",
         "10. Governing Law; Severability. This Security Instrument shall be governed by federal law "
         "and the law of the jurisdiction in which the Property is located. In the event that any "
         "provision or clause of this Security Instrument or the Note conflicts with Applicable Law, "
         "such conflict shall not affect other provisions of this Security Instrument or the Note "
         "which can be given effect without the conflicting provision."},
        Fine(), kFineLeading);
    p.Footer(kDeedFooter, 2, 3);
    return p;
}

TFormPage DeedPage3(int& annotationY) {
    TFormPage p(TPaper::Legal);
    int y = p.Heading(20, "NON-UNIFORM COVENANTS");
    y = Paragraphs(
            p, y,
            {"Borrower and Lender further covenant and agree as follows:",
             "22. Acceleration; Remedies. Lender shall give notice to Borrower prior to acceleration "
             "following Borrower's breach of any covenant or agreement in this Security Instrument. The "
             "notice shall specify: (a) the default; (b) the action required to cure the default; (c) a "
             "date, not less than 30 days from the date the notice is given to Borrower, by which the "
             "default must be cured; and (d) that failure to cure the default on or before the date "
             "specified in the notice may result in acceleration of the sums secured by this Security "
             "Instrument and sale of the Property.",
             "23. Reconveyance. Upon payment of all sums secured by this Security Instrument, Lender "
             "shall request Trustee to reconvey the Property and shall surrender this Security "
             "Instrument and all notes evidencing debt secured by this Security Instrument to Trustee.",
             "24. Substitute Trustee. In accordance with Applicable Law, Lender may from time to time "
             "appoint a successor trustee to any Trustee appointed hereunder who has ceased to act.",
             "25. Use of Property. The Property is not currently used for agricultural, timber or "
             "grazing purposes.",
             "26. Attorneys' Fees. Lender shall be entitled to recover its reasonable attorneys' fees and "
             "costs in any action or proceeding to construe or enforce any term of this Security "
             "Instrument, including fees incurred at trial, on any appeal and in any bankruptcy "
             "proceeding."},
            Fine(), kFineLeading) +
        20;
    y = p.Paragraph(y,
                    "BY SIGNING BELOW, Borrower accepts and agrees to the terms and covenants contained in "
                    "this Security Instrument and in any Rider executed by Borrower and recorded with it.",
                    Times(10, true), kBodyLeading) +
        10;
    y = p.SignatureRow(y, {{1125, "Borrower", Upper(kBorrower1)}, {0, "Borrower", Upper(kBorrower2)}}) + 60;
    y = p.Heading(y, "ACKNOWLEDGMENT", 20);
    y = p.Row(y, {{1125, "State of", "OREGON"}, {0, "County of", "LARKIN"}}) + 10;
    y = p.Paragraph(y,
                    "This instrument was acknowledged before me on the date shown below by the person(s) "
                    "named below.",
                    Body(), kBodyLeading) +
        10;
    y = p.Row(y, {{650, "Date of Acknowledgment", ""}, {0, "Name(s) of Person(s)", kBorrowers}}) + 40;
    p.Box(kLeft, y, 650, 650, 3);
    p.Label(kLeft + 215, y + 335, Univers(8), "(Notary Seal)");
    const int signX = kLeft + 760;
    p.Rule(signX, y + 230, 1490, 2);
    p.Label(signX, y + 265, Univers(8), "Signature of Notary Public");
    p.Rule(signX, y + 420, 1490, 2);
    p.Label(signX, y + 455, Univers(8), "Notary Public - State of Oregon");
    p.Label(signX, y + 600, Univers(8), "My commission expires:");
    p.Rule(signX + 330, y + 605, 1160, 2);
    annotationY = y + 720;
    p.Footer(kDeedFooter, 3, 3);
    return p;
}

// ---- Truth-in-Lending disclosure ------------------------------------------------------------

struct TChoice {
    std::string Label;
    bool Checked;
};

// A line of text with check-box choices in it: lead text, each box with its word, trailing text.
int ChoiceLine(TFormPage& p, int y, const std::string& lead, const std::vector<TChoice>& choices,
               const std::string& tail) {
    const int baseline = y + 36;
    int x = kLeft;
    p.Label(x, baseline, Body(), lead);
    x += TextWidth(Body(), lead) + 25;
    for (const TChoice& c : choices) {
        p.CheckBox(x, y, c.Label, c.Checked);
        x += TFormPage::kCheckBoxSize + 15 + TextWidth(Univers(8), c.Label) + 30;
    }
    p.Label(x, baseline, Body(), tail);
    return y + 70;
}

TFormPage TilPage(int& annotationY) {
    TFormPage p(TPaper::Letter);
    int y = PageHeader(p);
    y = p.Title(y, "FEDERAL TRUTH-IN-LENDING DISCLOSURE STATEMENT", 15);
    p.Centred(y + 25, Univers(7), "THIS IS NEITHER A CONTRACT NOR A COMMITMENT TO LEND");
    y += 50;
    y = p.Row(y, {{1125, "Creditor", "HARBOR POINT SAVINGS"}, {0, "Borrower(s)", "M. AND T. ELLSWORTH"}});
    y = p.Row(y, {{0, "Property", kPropertyAddress}}) + 30;
    y = p.Row(
            y,
            {DisclosureCell(562, "ANNUAL PERCENTAGE RATE\nThe cost of your credit as a\nyearly rate.",
                            "6.494 %", 10),
             DisclosureCell(562, "FINANCE CHARGE\nThe dollar amount the credit\nwill cost you.",
                            "$392,601.09", 10),
             DisclosureCell(563, "Amount Financed\nThe amount of credit provided\nto you or on your behalf.",
                            "$308,132.60", 0),
             DisclosureCell(0,
                            "Total of Payments\nThe amount you will have paid\nafter you have made all "
                            "payments\nas scheduled.",
                            "$700,733.69", 0)},
            210) +
        30;
    y = p.Heading(y, "YOUR PAYMENT SCHEDULE WILL BE:");
    y = p.Row(y, {{500, "Number of Payments", "359"},
                  {600, "Amount of Payments", kPayment},
                  {0, "When Payments Are Due", "MONTHLY BEGINNING 05/01/2026"}});
    y = p.Row(y, {{500, "", "1"}, {600, "", kFinalPayment}, {0, "", "04/01/2056"}}, 80) + 30;
    p.CheckBox(kLeft, y, "DEMAND FEATURE: This obligation has a demand feature.", false);
    p.CheckBox(kLeft + 1125, y, "VARIABLE RATE FEATURE: This loan has a variable rate.", false);
    y += 80;
    y = p.Paragraph(y,
                    "SECURITY: You are giving a security interest in the property located at the address "
                    "shown above.",
                    Body(), kBodyLeading) +
        10;
    y = p.Row(y, {{750, "Filing / Recording Fees", "$148.00"}, {0, "Required Deposit", "NONE"}}) + 10;
    y = p.Paragraph(y,
                    "LATE CHARGE: If a payment is more than 15 days late, you will be charged 5.000% of the "
                    "payment.",
                    Body(), kBodyLeading) +
        10;
    y = ChoiceLine(p, y, "PREPAYMENT: If you pay off early, you", {{"may", false}, {"will not", true}},
                   "have to pay a penalty.");
    y = ChoiceLine(p, y, "ASSUMPTION: Someone buying your property", {{"may", false}, {"may not", true}},
                   "assume the remainder of the loan on the original terms.");
    y += 10;
    y = Paragraphs(
            p, y,
            {"See your contract documents for any additional information about nonpayment, default, any "
             "required repayment in full before the scheduled date, and prepayment refunds and penalties.",
             "I/We hereby acknowledge reading and receiving a complete copy of this disclosure."},
            Body(), kBodyLeading) +
        10;
    y = p.SignatureRow(y, {{1125, "Borrower", Upper(kBorrower1)}, {0, "Borrower", Upper(kBorrower2)}});
    annotationY = y + 100;
    p.Footer("HPS Form 1120  Truth-in-Lending Disclosure  (TIL.DOT)  Rev. 01/2025", 1, 1);
    return p;
}

// ---- Good Faith Estimate --------------------------------------------------------------------

struct TCharge {
    const char* Line;
    const char* Description;
    long Cents;
};

int ChargeRows(TFormPage& p, int y, const std::vector<TCharge>& charges) {
    for (const TCharge& c : charges)
        y = p.Row(y, {TextCell(200, c.Line), TextCell(0, c.Description), AmountCell(500, Money(c.Cents))},
                  70);
    return y;
}

long Sum(const std::vector<TCharge>& charges) {
    long total = 0;
    for (const TCharge& c : charges)
        total += c.Cents;
    return total;
}

int TotalRow(TFormPage& p, int y, const std::string& text, long cents) {
    return p.Row(y, {TextCell(0, text, 10), AmountCell(500, Money(cents), 10)}, 70);
}

TFormPage GfePage() {
    TFormPage p(TPaper::Legal);
    int y = PageHeader(p);
    y = p.Title(y, "GOOD FAITH ESTIMATE OF SETTLEMENT CHARGES", 16) + 10;
    y = p.Row(y, {{1400, "Applicant(s)", kBorrowers}, {0, "Date Prepared", "02/09/2026"}});
    y = p.Row(y, {{1400, "Property", kPropertyAddress}, {0, "Loan Program", "30 YEAR FIXED"}});
    y = p.Row(y, {{560, "Loan Amount", kPrincipal},
                  {560, "Interest Rate", kRate},
                  {560, "Term", "360 MONTHS"},
                  {0, "Monthly Principal & Interest", kPayment}}) +
        10;
    y = p.Paragraph(
            y,
            "The information provided below reflects estimates of the charges which you are likely to "
            "incur at the settlement of your loan. The fees listed are estimates; actual charges may "
            "be more or less. Your transaction may not involve a fee for every item listed. The "
            "numbers listed beside the estimates generally correspond to the numbered lines contained "
            "in the settlement statement you will receive at settlement.",
            Body(), kBodyLeading) +
        20;
    const std::vector<TCharge> origination = {
        {"801", "Loan origination fee (0.500%)", 156000},
        {"802", "Underwriting fee", 89500},
        {"803", "Processing fee", 49500},
        {"804", "Loan discount (0.000%)", 0},
    };
    const std::vector<TCharge> services = {
        {"805", "Appraisal fee", 57500},
        {"806", "Credit report", 4200},
        {"807", "Flood certification", 1500},
        {"808", "Tax service", 8500},
        {"1101", "Title services and lender's title insurance", 128400},
        {"1103", "Owner's title insurance", 101000},
        {"1201", "Government recording charges", 14800},
        {"1203", "Transfer taxes", 0},
        {"1001", "Initial deposit for your escrow account", 241650},
        {"901", "Daily interest charges (15 days at $54.4932 per day)", 81740},
        {"903", "Homeowner's insurance (12 months)", 126000},
    };
    y = p.Heading(y, "A.  YOUR ADJUSTED ORIGINATION CHARGES");
    y = ChargeRows(p, y, origination);
    y = TotalRow(p, y, "Adjusted Origination Charges", Sum(origination)) + 30;
    y = p.Heading(y, "B.  YOUR CHARGES FOR ALL OTHER SETTLEMENT SERVICES");
    y = ChargeRows(p, y, services);
    y = TotalRow(p, y, "Total of All Other Settlement Services", Sum(services)) + 30;
    y = TotalRow(p, y, "TOTAL ESTIMATED SETTLEMENT CHARGES  (A + B)", Sum(origination) + Sum(services)) + 20;
    y = p.Paragraph(y,
                    "This Good Faith Estimate is being provided by Harbor Point Savings, a lender. The "
                    "interest rate shown is available until you lock your rate; the estimate for all other "
                    "settlement charges is available for 10 business days from the date prepared.",
                    Body(), kBodyLeading) +
        10;
    p.SignatureRow(y, {{1125, "Applicant", Upper(kBorrower1)}, {0, "Applicant", Upper(kBorrower2)}});
    p.Footer("HPS Form 1010  Good Faith Estimate  (GFE.DOT)  Rev. 01/2025", 1, 1);
    return p;
}

// ---- Borrower's certification (one copy per borrower) ---------------------------------------

TFormPage CertPage(const std::string& borrower, const std::string& ssn) {
    TFormPage p(TPaper::Letter);
    int y = PageHeader(p);
    y = p.Title(y, "BORROWER'S CERTIFICATION AND AUTHORIZATION", 16) + 20;
    y = p.Row(y, {{1400, "Borrower", Upper(borrower)}, {0, "Social Security Number", ssn}});
    y = p.Row(y, {{0, "Property", kPropertyAddress}}) + 40;
    y = p.Heading(y, "CERTIFICATION");
    y = Paragraphs(
            p, y,
            {"The undersigned certifies the following:",
             "1. I/We have applied for a mortgage loan from Harbor Point Savings. In applying for the "
             "loan, I/we completed a loan application containing various information on the purpose of "
             "the loan, the amount and source of the down payment, employment and income information, "
             "and assets and liabilities. I/We certify that all of the information is true and complete. "
             "I/We made no misrepresentations in the loan application or other documents, nor did I/we "
             "omit any pertinent information.",
             "2. I/We understand and agree that Harbor Point Savings reserves the right to change the "
             "mortgage loan review process to a full documentation program. This may include verifying "
             "the information provided on the application with the employer and/or the financial "
             "institution.",
             "3. I/We fully understand that it is a crime punishable by fine or imprisonment, or both, "
             "to knowingly make any false statements when applying for this mortgage."},
            Body(), kBodyLeading) +
        30;
    y = p.Heading(y, "AUTHORIZATION TO RELEASE INFORMATION");
    y = Paragraphs(
            p, y,
            {"To Whom It May Concern: I/We have applied for a mortgage loan from Harbor Point Savings. "
             "As part of the application process, Harbor Point Savings and the mortgage guaranty insurer "
             "(if any) may verify information contained in my/our loan application and in other "
             "documents required in connection with the loan, either before the loan is closed or as "
             "part of its quality control program.",
             "I/We authorize you to provide to Harbor Point Savings, and to any investor to whom Harbor "
             "Point Savings may sell my mortgage, any and all information and documentation that they "
             "request. A copy of this authorization may be accepted as an original."},
            Body(), kBodyLeading) +
        30;
    p.SignatureRow(y, {{1500, "Borrower", Upper(borrower)}, {0, "Date", ""}});
    p.Footer("HPS Form 0410  Borrower's Certification and Authorization  (CERT.DOT)  Rev. 01/2025", 1, 1);
    return p;
}

// ---- Taxpayer identification request --------------------------------------------------------

TFormPage W9Page() {
    TFormPage p(TPaper::Letter);
    int y = PageHeader(p);
    y = p.Title(y, "REQUEST FOR TAXPAYER IDENTIFICATION NUMBER", 16);
    p.Centred(y + 25, Times(10, false, true),
              "Give this form to the requester. Do not send it to the tax authority.");
    y += 60;
    y = p.Heading(y, "PART I  -  TAXPAYER IDENTIFICATION");
    y = p.Row(y, {{0, "1  Name (as shown on your income tax return)", Upper(kBorrower1)}});
    y = p.Row(y, {{0, "2  Business name, if different from above", ""}}) + 20;
    p.Label(kLeft, y + 36, Univers(8, true), "3  Federal tax classification:");
    p.CheckBox(kLeft + 480, y, "Individual / sole proprietor", true);
    p.CheckBox(kLeft + 1130, y, "C corporation", false);
    p.CheckBox(kLeft + 1650, y, "S corporation", false);
    y += 70;
    p.CheckBox(kLeft + 480, y, "Partnership", false);
    p.CheckBox(kLeft + 1130, y, "Trust / estate", false);
    p.CheckBox(kLeft + 1650, y, "Limited liability company", false);
    y += 90;
    y = p.Row(y, {{1300, "4  Address (number, street, and apt. or suite no.)", kStreet},
                  {0, "Requester's name and address", "HARBOR POINT SAVINGS"}});
    y = p.Row(y, {{1300, "5  City, state, and ZIP code", kCityStateZip}, {0, "", "400 QUAY STREET"}});
    y = p.Row(y, {{1300, "6  Account number(s)", kLoanNumber}, {0, "", kCityStateZip}}) + 20;
    y = p.Paragraph(y,
                    "Enter your taxpayer identification number in the appropriate box. For individuals, this "
                    "is your social security number. For other entities, it is your employer identification "
                    "number.",
                    Body(), kBodyLeading) +
        10;
    y = p.Row(y,
              {{1125, "Social security number", "XXX-XX-4417"}, {0, "Employer identification number", ""}}) +
        40;
    y = p.Heading(y, "PART II  -  CERTIFICATION");
    y = Paragraphs(
            p, y,
            {"Under penalties of perjury, I certify that:",
             "1. The number shown on this form is my correct taxpayer identification number (or I am "
             "waiting for a number to be issued to me); and",
             "2. I am not subject to backup withholding because (a) I am exempt from backup withholding, "
             "or (b) I have not been notified that I am subject to backup withholding as a result of a "
             "failure to report all interest or dividends, or (c) I have been notified that I am no "
             "longer subject to backup withholding; and",
             "3. I am a U.S. citizen or other U.S. person."},
            Body(), kBodyLeading) +
        30;
    p.SignatureRow(y, {{1500, "Signature of U.S. person", Upper(kBorrower1)}, {0, "Date", ""}});
    p.Footer("HPS Form 0009  Taxpayer Identification Request  (W9.DOT)  Rev. 01/2025", 1, 1);
    return p;
}

// ---- The package ----------------------------------------------------------------------------

struct TAnnotationText {
    int X;
    int Y;
    const char* Text;
};

// Adds a form with its pages; the template data goes with it only when withTemplates. A copy for a
// further borrower carries its template too, as a package read from a file does; the writer
// stores a template shared by name once.
TDocSetForm& AddForm(TDocSet& set, std::unique_ptr<TDocSetForm> form, const std::vector<TFormPage>& pages,
                     bool withTemplates) {
    const int count = int(pages.size());
    for (int n = 1; n <= count; ++n) {
        const TFormPage& fp = pages[size_t(n - 1)];
        if (PaperName(fp.Paper()) != form->PageSize)
            throw std::logic_error("page paper differs from the form's page size: " + form->Name);
        auto page = std::make_unique<TDocSetPage>(n, TQuodex::DerivedTemplateName(form->Name, count, n),
                                                  false, std::string(), 0, fp.FillPcl());
        if (withTemplates)
            page->TemplateData.Write(fp.TemplatePcl());
        form->AddPage(std::move(page));
    }
    return set.AddForm(std::move(form));
}

void Annotate(TDocSetForm& form, int pageNumber, const TAnnotationText& text) {
    auto a = std::make_unique<TDocSetAnnotation>();
    a->XPosition = text.X;
    a->YPosition = text.Y;
    a->Content = text.Text;
    a->UserId = "closer@harborpointsavings.example";
    form.Pages[size_t(pageNumber - 1)]->AddAnnotation(std::move(a));
}

std::unique_ptr<TDocSetForm> NewForm(const char* name, const char* description, int borrower,
                                     const std::string& borrowerName, TPaper paper, bool duplexable) {
    return std::make_unique<TDocSetForm>(name, description, borrower, borrowerName, PaperName(paper),
                                         duplexable, false, false);
}

} // namespace

std::unique_ptr<TDocSet> BuildDemoPackage() {
    auto set = std::make_unique<TDocSet>();
    set->Version = "3";
    set->CreatedBy = "Harbor Point LOS 7.4";
    set->FromName = "Harbor Point Savings Closing Department";
    set->WorksheetNumber = kWorksheet;
    set->LenderName = kLenderName;
    set->LenderNumber = kLenderName;
    set->PlanCode = kPlanCode;
    set->CanAnnotate = true;
    const std::string sep(1, kFieldSeparator);
    // The plan's stacking order. The Quodex writer writes no "PLANCODE.ORD" entry, so it stays
    // in the model unless a writer carries it.
    set->StackingOrder = {kPlanCode + sep + "TIL.DOT" + sep + "GFE.DOT" + sep + "NOTE.DOT" + sep +
                          "DEED.DOT" + sep + "CERT.DOT" + sep + "W9.DOT"};

    TDocSetForm& note = AddForm(*set, NewForm("NOTE.DOT", "Note", 1, kBorrower1, TPaper::Letter, true),
                                {NotePage1(), NotePage2()}, true);
    Annotate(note, 1, {1500, 2950, "ORIGINAL NOTE TO VAULT"});

    int deedAnnotationY = 0;
    TDocSetForm& deed =
        AddForm(*set, NewForm("DEED.DOT", "Deed of Trust", 1, kBorrower1, TPaper::Legal, true),
                {DeedPage1(), DeedPage2(), DeedPage3(deedAnnotationY)}, true);
    Annotate(deed, 3, {TFormPage::kLeft, deedAnnotationY, "NOTARY SEAL REQUIRED - RECORD IN LARKIN COUNTY"});

    int tilAnnotationY = 0;
    TDocSetForm& til =
        AddForm(*set, NewForm("TIL.DOT", "Truth-in-Lending Disclosure", 1, kBorrower1, TPaper::Letter, false),
                {TilPage(tilAnnotationY)}, true);
    Annotate(til, 1, {TFormPage::kLeft, tilAnnotationY, "REDISCLOSED 02/27/2026 - APR WITHIN TOLERANCE"});
    Annotate(til, 1, {TFormPage::kLeft, tilAnnotationY + 70, "BORROWER COPY SENT"});

    AddForm(*set, NewForm("GFE.DOT", "Good Faith Estimate", 1, kBorrower1, TPaper::Legal, false), {GfePage()},
            true);
    AddForm(*set,
            NewForm("CERT.DOT", "Borrower's Certification and Authorization", 1, kBorrower1, TPaper::Letter,
                    false),
            {CertPage(kBorrower1, "XXX-XX-4417")}, true);
    AddForm(*set,
            NewForm("CERT.DOT", "Borrower's Certification and Authorization", 2, kBorrower2, TPaper::Letter,
                    false),
            {CertPage(kBorrower2, "XXX-XX-8832")}, true);
    AddForm(
        *set,
        NewForm("W9.DOT", "Request for Taxpayer Identification Number", 1, kBorrower1, TPaper::Letter, false),
        {W9Page()}, true);
    return set;
}

} // namespace pg
