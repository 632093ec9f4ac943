// SPDX-License-Identifier: MIT
#include "messagefiles.h"

#include <gtest/gtest.h>

namespace {

struct NameCase
{
    const char *path;
    bool message;
};

const NameCase kNames[] = {
    {"/m/a.eml", true},
    {"/m/B.EML", true},
    {"/m/c.emlx", true},
    {"/m/Y.EmLx", true},
    {"a.eml", true},
    {".eml", true},
    {".EMLX", true},
    {"  a.EML  ", true},
    {"/m/b.emlx ", true},
    {"/m/d.txt", false},
    {"/m/x.emlxx", false},
    {"/m/x.eml.bak", false},
    {"/m/x.em", false},
    {"/m/xeml", false},
    {"/m/x.eml\t", false},     // only spaces are stripped
    {"/m/x.eml\u00a0", false}, // so is no other white space
    {"/m/x. eml", false},
    {"/m/box.eml/", false},
    {"/m/x.\u0117ml", false}, // an e with a dot above is no e
    {"eml", false},
    {"", false},
    {"     ", false},
};

} // namespace

TEST(IsMessageFileName, AcceptsEmlAndEmlxEndingsInAnyCaseAfterTrailingSpaces)
{
    for (const NameCase &c : kNames)
        EXPECT_EQ(messagefiles::isMessageFileName(QString::fromUtf8(c.path)), c.message)
            << '"' << c.path << '"';
}

TEST(MayHoldMessages, TellsFoldersAndMessageNamesFromOtherRawNames)
{
    const struct
    {
        QByteArray raw;
        bool mayHold;
    } cases[] = {
        {"/m/caf\xE9.eml", true},  {"/m/caf\xE9.EMLX  ", true}, {"/m/d\xFE/", true},
        {"/m/d\xFE.eml/", true},   {"/m/n\xE9.txt", false},     {"/m/n\xE9.eml.bak", false},
        {"/m/\xE9.emlxx", false},  {"/m/x\xC3\xA9ml", false},   {"", false},
        {"/m/caf\xE9.MBOX", true}, {"/m/\xE9/mbox", true},      {"/m/\xE9.mbox.bak", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(messagefiles::mayHoldMessages(c.raw), c.mayHold) << c.raw.toStdString();
}
