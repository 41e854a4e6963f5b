// The shooting texts: every getter's table, the lens table and the two compositions.
#include "ExifTestUtil.h"
#include "exif/LensTable.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <set>

namespace {

struct GetterCase {
    const char* name;
    std::function<void(ExifSpec&)> edit; // applied to an empty spec (Exif directory, no values)
    Getter getter;
    std::optional<std::string> expected;
};
void PrintTo(const GetterCase& c, std::ostream* os) { *os << c.name; }

class GetterTable : public ::testing::TestWithParam<GetterCase> {};

TEST_P(GetterTable, WritesTheTextOrNothing)
{
    for (auto order : {TiffBuilder::Intel, TiffBuilder::Motorola}) {
        ExifSpec spec;
        spec.order = order;
        GetParam().edit(spec);
        const auto p = ParseSpec(spec);
        EXPECT_EQ(Text(p->reader, GetParam().getter), GetParam().expected) << (order == TiffBuilder::Intel ? "II" : "MM");
    }
}

GetterCase Exposure(const char* name, uint32_t n, uint32_t d, const char* text)
{
    return {name, [=](ExifSpec& s) { s.exposure = ExifRational{n, d}; }, &TExifRoot::GetExposureTime, text};
}
GetterCase Bias(const char* name, int32_t n, int32_t d, const char* text)
{
    return {name, [=](ExifSpec& s) { s.bias = ExifSRational{n, d}; }, &TExifRoot::GetExposureBias, text};
}
GetterCase Short(const char* name, std::optional<uint16_t> ExifSpec::*field, uint16_t v, Getter g, const char* text)
{
    return {name, [=](ExifSpec& s) { s.*field = v; }, g, text ? std::optional<std::string>(text) : std::nullopt};
}
GetterCase Program(const char* name, uint16_t v, const char* text) { return Short(name, &ExifSpec::program, v, &TExifRoot::GetExposureProgram, text); }
GetterCase Metering(const char* name, uint16_t v, const char* text) { return Short(name, &ExifSpec::metering, v, &TExifRoot::GetMeteringMode, text); }
GetterCase Flash(const char* name, uint16_t v, const char* text) { return Short(name, &ExifSpec::flash, v, &TExifRoot::GetFlash, text); }
GetterCase Wb(const char* name, uint16_t v, const char* text) { return Short(name, &ExifSpec::whiteBalance, v, &TExifRoot::GetWhiteBalance, text); }
GetterCase Focus(const char* name, uint16_t v, const char* text)
{
    return {name, [=](ExifSpec& s) { s.model = "PENTAX *ist D"; s.pentaxFocusMode = v; }, &TExifRoot::GetFocusMode,
            text ? std::optional<std::string>(text) : std::nullopt};
}
GetterCase Lens(const char* name, uint8_t group, uint8_t number, const char* text)
{
    return {name, [=](ExifSpec& s) { s.model = "PENTAX *ist D"; s.pentaxLens = PentaxLens{group, number}; },
            &TExifRoot::GetLensName, text};
}

INSTANTIATE_TEST_SUITE_P(
    ExposureTime, GetterTable,
    ::testing::Values(Exposure("Stored1Over125", 1, 125, "1/125"), Exposure("Stored10Over1250", 10, 1250, "1/125"),
                      Exposure("ZeroOverZero", 0, 0, "0"), Exposure("OneOverZero", 1, 0, "1"),
                      Exposure("TwoSeconds", 2, 1, "2"), Exposure("ThreeHalves", 3, 2, "1.5"),
                      Exposure("OneOverOne", 1, 1, "1"), Exposure("FifteenHundredths", 15, 100, "0.15"),
                      Exposure("TwoOverSixty", 2, 60, "1/30"), Exposure("FourOver350", 4, 350, "0.0114"),
                      Exposure("ThreeTenthsTakesOneDecimal", 3, 10, "0.3"), Exposure("ThreeHundredths", 3, 100, "0.03"),
                      Exposure("JustBelowThreeHundredths", 299, 10000, "0.0299"), Exposure("ZeroOverFive", 0, 5, "0/5"),
                      Exposure("FourThirds", 4, 3, "1.3"), Exposure("LargeIsNotNegative", 3000000000u, 1, "3000000000"),
                      GetterCase{"Absent", [](ExifSpec&) {}, &TExifRoot::GetExposureTime, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    ApertureFocalIso, GetterTable,
    ::testing::Values(
        GetterCase{"F56Over10", [](ExifSpec& s) { s.fnumber = ExifRational{56, 10}; }, &TExifRoot::GetFNumber, "F5.6"},
        GetterCase{"F13", [](ExifSpec& s) { s.fnumber = ExifRational{13, 1}; }, &TExifRoot::GetFNumber, "F13.0"},
        GetterCase{"FZeroDenominator", [](ExifSpec& s) { s.fnumber = ExifRational{28, 0}; }, &TExifRoot::GetFNumber, std::nullopt},
        GetterCase{"FocalWith35", [](ExifSpec& s) { s.focal = ExifRational{500, 10}; s.focal35 = 75; }, &TExifRoot::GetFocalLength, "50.0(75)mm"},
        GetterCase{"FocalWithout35", [](ExifSpec& s) { s.focal = ExifRational{76, 10}; }, &TExifRoot::GetFocalLength, "7.6mm"},
        GetterCase{"Only35IsAbsent", [](ExifSpec& s) { s.focal35 = 75; }, &TExifRoot::GetFocalLength, std::nullopt},
        GetterCase{"FocalZeroDenominator", [](ExifSpec& s) { s.focal = ExifRational{50, 0}; s.focal35 = 75; }, &TExifRoot::GetFocalLength, std::nullopt},
        Short("Iso200", &ExifSpec::iso, 200, &TExifRoot::GetISO, "ISO200"),
        Short("Iso40000", &ExifSpec::iso, 40000, &TExifRoot::GetISO, "ISO40000"),
        Short("Iso65535Unsigned", &ExifSpec::iso, 65535, &TExifRoot::GetISO, "ISO65535")),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    ExposureBias, GetterTable,
    ::testing::Values(Bias("ZeroOverThree", 0, 3, "EV±0"), Bias("MinusOneOverZero", -1, 0, "EV±0"),
                      Bias("MinusThird", -1, 3, "EV-1/3"), Bias("PlusTwoThirds", 2, 3, "EV+2/3"),
                      Bias("MinusTwoThirds", -2, 3, "EV-2/3"), Bias("MinusTenTenths", -10, 10, "EV-1/1"),
                      Bias("NegativeDenominator", 1, -3, "EV-1/3"), Bias("BothNegative", -1, -3, "EV+1/3"),
                      Bias("ThreeThirds", 3, 3, "EV+1/1"), Bias("SixThirdsUnreduced", 6, 3, "EV+6/3"),
                      Bias("WholeMinus", -1, 1, "EV-1"), Bias("WholePlus", 2, 1, "EV+2"),
                      Bias("WholeOverMinusOne", 2, -1, "EV-2"), Bias("SevenTenths", 7, 10, "EV+7/10"),
                      Bias("Int32Min", INT32_MIN, 1, "EV-2147483648"),
                      Bias("Int32MinDenominator", 1, INT32_MIN, "EV-1/2147483648")),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Program, GetterTable,
    ::testing::Values(Program("Zero", 0, "露出ﾓｰﾄﾞ不明"), Program("Manual", 1, "M"), Program("Normal", 2, "P"),
                      Program("Aperture", 3, "Av"), Program("Shutter", 4, "Tv"), Program("Creative", 5, "高速P"),
                      Program("Action", 6, "低速P"), Program("Portrait", 7, "ﾎﾟｰﾄﾚｲﾄ"), Program("Landscape", 8, "風景"),
                      Program("Nine", 9, "露出ﾓｰﾄﾞ不明"), Program("Max", 65535, "露出ﾓｰﾄﾞ不明")),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Metering, GetterTable,
    ::testing::Values(Metering("Zero", 0, "不明"), Metering("Average", 1, "平均測光"), Metering("Center", 2, "中央重点"),
                      Metering("Spot", 3, "ｽﾎﾟｯﾄ"), Metering("MultiSpot", 4, "ﾏﾙﾁｽﾎﾟｯﾄ"), Metering("Pattern", 5, "多分割"),
                      Metering("Partial", 6, "部分"), Metering("Seven", 7, "不明"), Metering("Other", 255, "その他"),
                      Metering("TwoFiftyFour", 254, "不明"),
                      GetterCase{"NoEntryMeansManual", [](ExifSpec&) {}, &TExifRoot::GetMeteringMode, "ﾏﾆｭｱﾙ露出"},
                      GetterCase{"NoExifDirectory", [](ExifSpec& s) { s.exifDirectory = false; s.model = "X PENTAX"; },
                                 &TExifRoot::GetMeteringMode, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    FlashWhiteBalanceFocus, GetterTable,
    ::testing::Values(Flash("Off", 0x00, "F非発光"), Flash("Fired", 0x01, "F発光"), Flash("ReturnNotDetected", 0x05, "不明"),
                      Flash("ReturnDetected", 0x07, "F発光"), Flash("ReservedBits", 0x03, "F発光"),
                      Flash("OffCompulsory", 0x10, "F非発光"), Flash("NotFiredBitTwo", 0x04, "F非発光"),
                      Flash("FiredWithHighBits", 0x45, "不明"), Wb("WbAuto", 0, "WBｵｰﾄ"), Wb("WbManual", 1, "WBﾏﾆｭｱﾙ"),
                      Wb("OnlyBitZero", 2, "WBｵｰﾄ"), Wb("ThreeIsManual", 3, "WBﾏﾆｭｱﾙ"), Focus("FocusManual", 3, "MF"),
                      Focus("Single", 16, "AF-S"), Focus("Continuous", 17, "AF-C"), Focus("ZeroIsAbsent", 0, nullptr),
                      Focus("OtherIsAbsent", 18, nullptr)),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Lens, GetterTable,
    ::testing::Values(Lens("KaFirst", 2, 0, "KAﾚﾝｽﾞ"), Lens("KaLast", 2, 254, "KAﾚﾝｽﾞ"),
                      Lens("Group2Number255", 2, 255, "不明なレンズ"), Lens("Group3Gap36", 3, 36, "不明なレンズ"),
                      Lens("Group3First", 3, 17, "smc PENTAX-FA SOFT 85mmF2.8"),
                      Lens("Group3Last", 3, 53, "smc PENTAX-FA 28-80mmF3.5-5.6AL"),
                      Lens("Group4First", 4, 1, "smc PENTAX-FA SOFT 28mmF2.8"),
                      Lens("Group4Da", 4, 254, "smc PENTAX-DA 16-45mmF4ED AL"),
                      Lens("Group5Star85", 5, 10, "smc PENTAX-FA*85mmF1.4[IF]"),
                      Lens("Group6Star85", 6, 1, "smc PENTAX-FA*85mmF1.4[IF]"),
                      Lens("Group6Last", 6, 14, "smc PENTAX-FA* MACRO 200mmF4ED[IF]"),
                      Lens("Group7", 7, 1, "不明なレンズ"), Lens("Zeroes", 0, 0, "不明なレンズ")),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LensTable, SeventyFiveRowsAndATerminator)
{
    ASSERT_EQ(LensTableRows, 76u);
    EXPECT_EQ(LensTable[75].Count, 0);
    EXPECT_STREQ(LensTable[75].Name, "不明なレンズ");
    std::set<std::pair<int, int>> keys;
    int perGroup[7] = {};
    for (std::size_t i = 0; i < 75; ++i) {
        EXPECT_EQ(LensTable[i].Count, i == 0 ? 255 : 1) << i;
        EXPECT_TRUE(keys.insert({LensTable[i].Group, LensTable[i].First}).second) << "duplicate key at row " << i;
        ++perGroup[LensTable[i].Group];
        // No row is shadowed by an earlier one.
        EXPECT_STREQ(FindLensName(LensTable[i].Group, LensTable[i].First), LensTable[i].Name) << i;
    }
    EXPECT_EQ(perGroup[2], 1);
    EXPECT_EQ(perGroup[3], 26);
    EXPECT_EQ(perGroup[4], 20);
    EXPECT_EQ(perGroup[5], 16);
    EXPECT_EQ(perGroup[6], 12);
}

TEST(LensTable, LensBytesIgnoreByteOrder)
{
    // The group and number are raw bytes of the value field, the same in both orders.
    for (auto order : {TiffBuilder::Intel, TiffBuilder::Motorola}) {
        ExifSpec spec = PhotoLikeSpec();
        spec.order = order;
        spec.pentaxLens = PentaxLens{4, 3};
        EXPECT_EQ(Text(ParseSpec(spec)->reader, &TExifRoot::GetLensName), "smc PENTAX-FA 43mmF1.9 Limited");
    }
}

struct CompositionCase {
    const char* name;
    std::function<void(ExifSpec&)> edit; // applied to PhotoLikeSpec()
    std::string summary;
    TChooserTexts chooser;
};
void PrintTo(const CompositionCase& c, std::ostream* os) { *os << c.name; }

class CompositionTable : public ::testing::TestWithParam<CompositionCase> {};

TEST_P(CompositionTable, SummaryAndChooserTexts)
{
    ExifSpec spec = PhotoLikeSpec();
    GetParam().edit(spec);
    const auto p = ParseSpec(spec);
    EXPECT_EQ(MakeSummaryText(p->reader), GetParam().summary);
    const TChooserTexts t = MakeChooserTexts(p->reader);
    EXPECT_EQ(t.ShotDate, GetParam().chooser.ShotDate);
    EXPECT_EQ(t.ShotExposure, GetParam().chooser.ShotExposure);
    EXPECT_EQ(t.ShotCamera, GetParam().chooser.ShotCamera);
}

const std::string photoExposure = "1/125 F5.6 50.0(75)mm ISO200 EV-1/3 Av 多分割 AF-S WBｵｰﾄ F非発光 ";

INSTANTIATE_TEST_SUITE_P(
    Cases, CompositionTable,
    ::testing::Values(
        CompositionCase{"PentaxWithLens", [](ExifSpec&) {},
                        "1/125 F5.6 50.0(75)mm \"smc PENTAX-F 50mmF1.4\" ISO200 EV-1/3 Av 多分割 AF-S WBｵｰﾄ F非発光 ",
                        {"2004:05:06 07:08:09", photoExposure, "PENTAX *ist D smc PENTAX-F 50mmF1.4"}},
        CompositionCase{"PentaxWithoutLensQuotesModel", [](ExifSpec& s) { s.pentaxLens.reset(); },
                        "1/125 F5.6 50.0(75)mm \"PENTAX *ist D\" ISO200 EV-1/3 Av 多分割 AF-S WBｵｰﾄ F非発光 ",
                        {"2004:05:06 07:08:09", photoExposure, "PENTAX *ist D "}},
        CompositionCase{"OtherMakeIgnoresMakerNote", [](ExifSpec& s) { s.model = "NIKON D70"; },
                        "1/125 F5.6 50.0(75)mm \"NIKON D70\" ISO200 EV-1/3 Av 多分割 WBｵｰﾄ F非発光 ",
                        {"2004:05:06 07:08:09", "1/125 F5.6 50.0(75)mm ISO200 EV-1/3 Av 多分割 WBｵｰﾄ F非発光 ", "NIKON D70 "}},
        CompositionCase{"NeitherLensNorModel", [](ExifSpec& s) { s.model.reset(); },
                        "1/125 F5.6 50.0(75)mm ISO200 EV-1/3 Av 多分割 WBｵｰﾄ F非発光 ",
                        {"2004:05:06 07:08:09", "1/125 F5.6 50.0(75)mm ISO200 EV-1/3 Av 多分割 WBｵｰﾄ F非発光 ", ""}},
        CompositionCase{"NoExifDirectory", [](ExifSpec& s) { s.exifDirectory = false; },
                        "\"PENTAX *ist D\" ", {"不明", "", "PENTAX *ist D "}},
        CompositionCase{"ManualExposureWithoutMeteringOrDate",
                        [](ExifSpec& s) { s.metering.reset(); s.dateTime.reset(); s.program = 1; s.pentaxLens = PentaxLens{2, 7}; },
                        "1/125 F5.6 50.0(75)mm \"KAﾚﾝｽﾞ\" ISO200 EV-1/3 M ﾏﾆｭｱﾙ露出 AF-S WBｵｰﾄ F非発光 ",
                        {"不明", "1/125 F5.6 50.0(75)mm ISO200 EV-1/3 M ﾏﾆｭｱﾙ露出 AF-S WBｵｰﾄ F非発光 ", "PENTAX *ist D KAﾚﾝｽﾞ"}},
        CompositionCase{"EmptyExifDirectory", [](ExifSpec& s) { s = ExifSpec{}; }, "ﾏﾆｭｱﾙ露出 ", {"不明", "ﾏﾆｭｱﾙ露出 ", ""}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Compositions, LensWithoutModelInChooser)
{
    // A makernote can only be read for a PENTAX model, so a reader with a lens but no
    // model comes from a derived reader; the camera text is then the lens alone.
    struct LensOnly : TExifRoot {
        bool GetLensName(char* buf) const override { std::strcpy(buf, "KAﾚﾝｽﾞ"); return true; }
    } r;
    EXPECT_EQ(MakeChooserTexts(r).ShotCamera, "KAﾚﾝｽﾞ");
    EXPECT_EQ(MakeSummaryText(r), "\"KAﾚﾝｽﾞ\" ");
}

TEST(Compositions, NothingParsedGivesEmptyTexts)
{
    TExifRootPENTAXistD r;
    const unsigned char none[1] = {0};
    r.Parse(none, 0);
    EXPECT_EQ(MakeSummaryText(r), "");
    const TChooserTexts t = MakeChooserTexts(r);
    EXPECT_EQ(t.ShotDate, "不明");
    EXPECT_EQ(t.ShotExposure, "");
    EXPECT_EQ(t.ShotCamera, "");
}

} // namespace
