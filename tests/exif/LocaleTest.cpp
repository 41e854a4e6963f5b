// The shooting texts must not follow the user's number format: the program runs with the
// environment's locale (Qt sets it at start-up), and a German or French desktop writes a
// decimal comma.
#include "ExifTestUtil.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Switches LC_NUMERIC to a locale with a decimal comma for the life of the object: an
// installed one, or one built into a private folder with localedef. Ok() is false when
// neither is possible.
class CommaLocale {
public:
    CommaLocale()
    {
        FSaved = std::setlocale(LC_NUMERIC, nullptr);
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"})
            if (TrySet(name))
                return;
        char folder[] = "/tmp/velumira-locale-XXXXXX";
        if (!mkdtemp(folder))
            return;
        FFolder = folder;
        const std::string build = "localedef -i de_DE -f UTF-8 '" + FFolder + "/de_DE.UTF-8' >/dev/null 2>&1";
        if (std::system(build.c_str()) != 0)
            return;
        setenv("LOCPATH", FFolder.c_str(), 1);
        TrySet("de_DE.UTF-8");
    }
    ~CommaLocale()
    {
        std::setlocale(LC_NUMERIC, FSaved.c_str());
        if (!FFolder.empty()) {
            unsetenv("LOCPATH");
            std::system(("rm -rf '" + FFolder + "'").c_str());
        }
    }
    bool Ok() const { return FOk; }

private:
    bool TrySet(const char* name)
    {
        if (!std::setlocale(LC_NUMERIC, name))
            return false;
        char probe[8];
        std::snprintf(probe, sizeof probe, "%.1f", 1.5);
        FOk = std::string(probe) == "1,5";
        return FOk;
    }

    std::string FSaved;
    std::string FFolder;
    bool FOk = false;
};

TEST(ShootingTextsUnderCommaLocale, KeepTheDecimalPoint)
{
    CommaLocale comma;
    if (!comma.Ok())
        GTEST_SKIP() << "no locale with a decimal comma available";

    struct Case {
        const char* name;
        void (*edit)(ExifSpec&);
        Getter getter;
        const char* expected;
    } const cases[] = {
        {"FNumber", [](ExifSpec& s) { s.fnumber = ExifRational{56, 10}; }, &TExifRoot::GetFNumber, "F5.6"},
        {"FocalWith35", [](ExifSpec& s) { s.focal = ExifRational{500, 10}; s.focal35 = 75; },
         &TExifRoot::GetFocalLength, "50.0(75)mm"},
        {"FocalWithout35", [](ExifSpec& s) { s.focal = ExifRational{76, 10}; }, &TExifRoot::GetFocalLength, "7.6mm"},
        {"ExposureOneDecimal", [](ExifSpec& s) { s.exposure = ExifRational{3, 2}; }, &TExifRoot::GetExposureTime,
         "1.5"},
        {"ExposureTwoDecimals", [](ExifSpec& s) { s.exposure = ExifRational{15, 100}; },
         &TExifRoot::GetExposureTime, "0.15"},
        {"ExposureFourDecimals", [](ExifSpec& s) { s.exposure = ExifRational{4, 350}; },
         &TExifRoot::GetExposureTime, "0.0114"},
    };
    for (const Case& c : cases) {
        ExifSpec spec;
        c.edit(spec);
        const auto p = ParseSpec(spec);
        EXPECT_EQ(Text(p->reader, c.getter), std::optional<std::string>(c.expected)) << c.name;
    }
}

} // namespace
