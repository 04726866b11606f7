// The package's licence and names: the GPL that Debian's FFmpeg build
// requires, said the same way in every place that says it, and addresses and
// an application id the project owns.
#include "app/quarvel_app.h"
#include "install_support.h"

#include "tests/support/media_check.h"

#include <QFile>
#include <QXmlStreamReader>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

namespace {

using veltrano::test::FilesBelow;
using veltrano::test::Installed;

const char* const kCommonGpl3 = "/usr/share/common-licenses/GPL-3";

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The paragraphs of a machine-readable debian/copyright file, each as its
// fields; continuation lines are joined to their field with a newline.
using Paragraph = std::map<std::string, std::string>;
std::vector<Paragraph> CopyrightParagraphs(const std::string& text) {
    std::vector<Paragraph> paragraphs(1);
    std::string field;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty()) {
            if (!paragraphs.back().empty()) {
                paragraphs.emplace_back();
            }
        } else if (line[0] == ' ' || line[0] == '\t') {
            paragraphs.back()[field] += "\n" + line.substr(1);
        } else if (const size_t colon = line.find(':'); colon != std::string::npos) {
            field = line.substr(0, colon);
            const size_t value = line.find_first_not_of(' ', colon + 1);
            paragraphs.back()[field] = value == std::string::npos ? "" : line.substr(value);
        }
    }
    if (paragraphs.back().empty()) {
        paragraphs.pop_back();
    }
    return paragraphs;
}

TEST(Licence, TheCopyrightFileGrantsTheGplInDebiansMachineReadableFormat) {
    const std::vector<Paragraph> paragraphs =
        CopyrightParagraphs(ReadText(Installed("share/doc/veltrano/copyright")));
    ASSERT_GE(paragraphs.size(), 3u);
    ASSERT_TRUE(paragraphs[0].contains("Format"));
    EXPECT_EQ(paragraphs[0].at("Format"),
              "https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/");
    const Paragraph& files = paragraphs[1];
    ASSERT_TRUE(files.contains("Files"));
    EXPECT_EQ(files.at("Files"), "*");
    EXPECT_TRUE(files.contains("Copyright"));
    ASSERT_TRUE(files.contains("License"));
    EXPECT_EQ(files.at("License"), "GPL-3+");
    // The short name is spelled out in a paragraph of its own.
    const auto licence = std::find_if(paragraphs.begin(), paragraphs.end(), [](const Paragraph& p) {
        return !p.contains("Files") && p.contains("License") &&
               p.at("License").starts_with("GPL-3+\n");
    });
    ASSERT_NE(licence, paragraphs.end());
    EXPECT_NE(licence->at("License").find(std::string("\"") + kCommonGpl3 + "\""),
              std::string::npos);
    EXPECT_NE(licence->at("License").find("either version 3 of the License, or"),
              std::string::npos);
    EXPECT_EQ(licence->at("License").find("All rights reserved"), std::string::npos);
}

// The texts of the elements right below the metadata's <component>.
std::map<std::string, std::string> ComponentFields(const std::string& path) {
    QFile file(QString::fromStdString(path));
    std::map<std::string, std::string> fields;
    if (!file.open(QIODevice::ReadOnly)) {
        return fields;
    }
    QXmlStreamReader xml(&file);
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("component")) {
        return fields;
    }
    while (xml.readNextStartElement()) {
        const std::string name = xml.name().toString().toStdString();
        const std::string text =
            xml.readElementText(QXmlStreamReader::IncludeChildElements).toStdString();
        fields.emplace(name, text);
    }
    return fields;
}

TEST(Licence, TheMetadataNamesTheSameLicenceAndTheLaunchersId) {
    const std::map<std::string, std::string> fields =
        ComponentFields(Installed(std::string("share/metainfo/") + kAppId + ".metainfo.xml"));
    ASSERT_FALSE(fields.empty());
    const auto field = [&](const std::string& name) {
        const auto found = fields.find(name);
        return found == fields.end() ? "<missing " + name + ">" : found->second;
    };
    EXPECT_EQ(field("project_license"), "GPL-3.0-or-later");
    EXPECT_EQ(field("id"), kAppId);
    EXPECT_EQ(field("launchable"), std::string(kAppId) + ".desktop");
    EXPECT_STREQ(kDesktopFileName, kAppId);
}

TEST(Licence, TheSourceTreeCarriesTheFullGplText) {
    const std::string licence = ReadText(std::string(VELTRANO_SOURCE_DIR) + "/LICENSE");
    ASSERT_FALSE(licence.empty());
    EXPECT_NE(licence.find("GNU GENERAL PUBLIC LICENSE\n                       Version 3"),
              std::string::npos);
    EXPECT_NE(licence.find("END OF TERMS AND CONDITIONS"), std::string::npos);
    if (std::filesystem::exists(kCommonGpl3)) {
        EXPECT_EQ(licence, ReadText(kCommonGpl3));
    }
}

// Placeholder names (example.com, com.example) reach no one.
TEST(Licence, NoInstalledTextNamesAPlaceholderAddress) {
    EXPECT_EQ(std::string(kAppId).find("example"), std::string::npos) << kAppId;
    for (const std::string& file : FilesBelow(Installed(""))) {
        if (!file.starts_with("share/") || file.ends_with(".png")) {
            continue;
        }
        const std::string path = Installed(file);
        const std::string text =
            file.ends_with(".gz")
                ? veltrano::test::RunCommand("gzip -dc " + veltrano::test::ShellQuote(path))
                : ReadText(path);
        EXPECT_FALSE(text.empty()) << file;
        for (const char* placeholder : {"example.com", "example.org", "com.example"}) {
            EXPECT_EQ(text.find(placeholder), std::string::npos) << file << ": " << placeholder;
        }
    }
}

} // namespace
