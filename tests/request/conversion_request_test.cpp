// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "conversion_request.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace zoraven {
namespace {

struct FakeHost : RequestHost {
    ImagePath path;
    FormatFlag flag;
    int flagWrites = 0;
    std::vector<std::string> notices;

    ImagePath imagePath() const override { return path; }
    FormatFlag formatFlag() const override { return flag; }
    void setFormatFlag(const FormatFlag& value) override
    {
        flag = value;
        ++flagWrites;
    }
    void ShowNotice(std::string_view text) override { notices.emplace_back(text); }
};

struct FakeStarter : ConverterStarter {
    LaunchResult result = LaunchResult::Started;
    bool throws = false;
    std::vector<ConverterCommand> started;

    LaunchResult start(const ConverterCommand& command) override
    {
        if (throws)
            throw std::runtime_error("spawn failed");
        started.push_back(command);
        return result;
    }
};

class ConversionRequestTest : public testing::Test {
protected:
    FakeHost host;
    FakeStarter starter;
    ConversionRequest request { host, starter };
};

TEST_F(ConversionRequestTest, ChecksTheImageFirstThenTheFormatAndShowsAtMostOneNotice)
{
    struct Case {
        ImagePath path;
        FormatFlag flag;
        std::vector<std::string> notices;
        bool launches;
    };
    const Case cases[] = {
        { "", "", { "please select an Image" }, false },
        { "", " -n ", { "please select an Image" }, false },
        { "/img/disc.bin", "", { "please select the format you wish to convert the image to" }, false },
        { "/img/disc.bin", " -p ", {}, true },
        // Only the empty string is missing: nothing is trimmed.
        { " ", " -n ", {}, true },
    };
    for (const Case& c : cases) {
        FakeHost caseHost;
        FakeStarter caseStarter;
        caseHost.path = c.path;
        caseHost.flag = c.flag;
        ConversionRequest(caseHost, caseStarter).requestConversion();
        SCOPED_TRACE("path '" + c.path + "' flag '" + c.flag + "'");
        EXPECT_EQ(caseHost.notices, c.notices);
        EXPECT_EQ(caseStarter.started.size(), c.launches ? 1U : 0U);
    }
}

TEST_F(ConversionRequestTest, SelectingAStandardStoresItsFlagAndTheLastSelectionWins)
{
    request.selectFormat(Standard::NTSC);
    EXPECT_EQ(host.flag, " -n ");
    request.selectFormat(Standard::PAL);
    EXPECT_EQ(host.flag, " -p ");
    request.selectFormat(Standard::PAL);
    EXPECT_EQ(host.flag, " -p ");
    EXPECT_EQ(host.flagWrites, 2) << "selecting the standard already chosen changes nothing";
    EXPECT_TRUE(host.notices.empty());
    EXPECT_TRUE(starter.started.empty());
}

TEST(FormatTable, FlagsAreBlankHyphenLetterBlankAndOptionsAreTheirCore)
{
    EXPECT_EQ(formatEntry(Standard::NTSC).caption, "NTSC");
    EXPECT_EQ(formatEntry(Standard::PAL).caption, "PAL");
    for (const FormatEntry& entry : kFormatTable) {
        ASSERT_EQ(entry.flag.size(), 4U);
        EXPECT_EQ(entry.flag.front(), ' ');
        EXPECT_EQ(entry.flag.back(), ' ');
        EXPECT_EQ(entry.flag.substr(1, 2), entry.option);
    }
}

TEST(ComposeCommandLine, AppendsFlagAndPathVerbatim)
{
    EXPECT_EQ(composeCommandLine(" -n ", "C:\\games\\disc.bin"), "zoraven -n C:\\games\\disc.bin");
    EXPECT_EQ(composeCommandLine(" -p ", "C:\\games\\disc.bin"), "zoraven -p C:\\games\\disc.bin");
    EXPECT_EQ(composeCommandLine(" -n ", "C:\\My Images\\disc.iso"), "zoraven -n C:\\My Images\\disc.iso");
    EXPECT_EQ(composeCommandLine(" -p ", "/home/a b/\"x\" $(y).iso"), "zoraven -p /home/a b/\"x\" $(y).iso");
}

TEST(ConverterCommand, KeepsThePathAsOneArgumentAndRefusesUnknownFlags)
{
    const auto command = converterCommand(" -n ", "/My Images/disc.iso");
    ASSERT_TRUE(command);
    EXPECT_EQ(command->arguments, (std::vector<std::string> { "zoraven", "-n", "/My Images/disc.iso" }));
    EXPECT_EQ(command->commandLine, "zoraven -n /My Images/disc.iso");
    EXPECT_EQ(converterCommand(" -p ", "x")->arguments[1], "-p");

    EXPECT_FALSE(converterCommand("", "x"));
    EXPECT_FALSE(converterCommand("-n", "x"));
    EXPECT_FALSE(converterCommand(" -x ", "x"));
}

TEST_F(ConversionRequestTest, RepeatedRequestsStartTheSameCommandAndClearNothing)
{
    host.path = "C:\\img\\disc.bin";
    request.selectFormat(Standard::PAL);
    request.requestConversion();
    request.requestConversion();
    ASSERT_EQ(starter.started.size(), 2U);
    EXPECT_EQ(starter.started[0].commandLine, "zoraven -p C:\\img\\disc.bin");
    EXPECT_EQ(starter.started[1].arguments, starter.started[0].arguments);
    EXPECT_EQ(host.path, "C:\\img\\disc.bin");
    EXPECT_EQ(host.flag, " -p ");
    EXPECT_TRUE(host.notices.empty());
}

TEST_F(ConversionRequestTest, OnlyAMissingConverterIsReportedAndEveryTime)
{
    host.path = "/img/disc.iso";
    host.flag = " -n ";

    starter.result = LaunchResult::NotFound;
    request.requestConversion();
    request.requestConversion();
    EXPECT_EQ(host.notices,
        (std::vector<std::string>(2, "You must place ZORVEN.EXE in the same directoy as this frontend.")));

    host.notices.clear();
    starter.result = LaunchResult::Failed;
    request.requestConversion();
    starter.throws = true;
    EXPECT_NO_THROW(request.requestConversion());
    EXPECT_TRUE(host.notices.empty());
    EXPECT_EQ(host.flag, " -n ");
}

} // namespace
} // namespace zoraven
