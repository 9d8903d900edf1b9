#include "settings/profile_file.h"

#include <gtest/gtest.h>

using vornel::ProfileFile;

TEST(ProfileFile, ReadsValuesAsTheProfileFunctionsDid) {
    auto ini = ProfileFile::fromText("[Main]\n"
                                     "plain=value\n"
                                     "padded = \t  value with blanks \t \n"
                                     "quoted=\"  kept blanks  \"\n"
                                     "single=' x '\n"
                                     "half=\"open\n"
                                     "mixed=\"x'\n"
                                     "twice=\"\"x\"\"\n"
                                     "empty=\n"
                                     "blanks=   \n"
                                     "equals=a=b\n");
    EXPECT_EQ(ini.readString("Main", "plain", "d"), "value");
    EXPECT_EQ(ini.readString("Main", "padded", "d"), "value with blanks");
    EXPECT_EQ(ini.readString("Main", "quoted", "d"), "  kept blanks  ");
    EXPECT_EQ(ini.readString("Main", "single", "d"), " x ");
    EXPECT_EQ(ini.readString("Main", "half", "d"), "\"open");
    EXPECT_EQ(ini.readString("Main", "mixed", "d"), "\"x'");
    EXPECT_EQ(ini.readString("Main", "twice", "d"), "\"x\"");
    EXPECT_EQ(ini.readString("Main", "empty", "d"), "");
    EXPECT_EQ(ini.readString("Main", "blanks", "d"), "");
    EXPECT_EQ(ini.readString("Main", "equals", "d"), "a=b");
    EXPECT_EQ(ini.readString("Main", "missing", "default"), "default");
    EXPECT_EQ(ini.readString("Other", "plain", "default"), "default");
}

TEST(ProfileFile, NamesIgnoreAsciiCaseOnly) {
    auto ini = ProfileFile::fromText("[VorNel]\nToTal=5\n[Été]\nclé=1\n");
    EXPECT_EQ(ini.readString("vornel", "TOTAL", ""), "5");
    EXPECT_EQ(ini.readString(" VORNEL ", " total ", ""), "5");
    EXPECT_EQ(ini.readString("Été", "clé", ""), "1");
    // Only A to Z fold.
    EXPECT_EQ(ini.readString("éTé", "clé", "none"), "none");
    EXPECT_EQ(ini.readString("Été", "CLÉ", "none"), "none");
}

TEST(ProfileFile, NumbersAndBooleans) {
    auto ini = ProfileFile::fromText(
        "[n]\ndec=-12\nhex=0x1F\nHEX=0X10\ndollar=$ff\njunk=12abc\nempty=\nbig=2147483648\n"
        "yes=2\nno=0\nquoted=\"7\"\n");
    EXPECT_EQ(ini.readInteger("n", "dec", 9), -12);
    EXPECT_EQ(ini.readInteger("n", "hex", 9), 31);
    EXPECT_EQ(ini.readInteger("n", "dollar", 9), 255);
    EXPECT_EQ(ini.readInteger("n", "junk", 9), 9);
    EXPECT_EQ(ini.readInteger("n", "empty", 9), 9);
    EXPECT_EQ(ini.readInteger("n", "big", 9), 9);
    EXPECT_EQ(ini.readInteger("n", "quoted", 9), 7);
    EXPECT_EQ(ini.readInteger("n", "missing", 9), 9);
    EXPECT_TRUE(ini.readBool("n", "yes", false));
    EXPECT_FALSE(ini.readBool("n", "no", true));
    EXPECT_TRUE(ini.readBool("n", "junk", true));
    EXPECT_FALSE(ini.readBool("n", "junk", false));
    // The first of two keys of the same name counts.
    EXPECT_EQ(ini.readInteger("n", "Hex", 9), 31);
}

TEST(ProfileFile, CutsLongValuesBeforeAUtf8Sequence) {
    std::string ascii(3000, 'a');
    std::string accented = std::string(2046, 'a') + "é" + "tail";
    std::string threeBytes = std::string(2045, 'a') + "€";
    auto ini = ProfileFile::fromText("[s]\nascii=" + ascii + "\naccented=" + accented +
                                     "\nthree=" + threeBytes + "\n");
    EXPECT_EQ(ini.readString("s", "ascii", ""), std::string(2047, 'a'));
    EXPECT_EQ(ini.readString("s", "accented", ""), std::string(2046, 'a'));
    EXPECT_EQ(ini.readString("s", "three", ""), std::string(2045, 'a'));
}

TEST(ProfileFile, WritesInPlaceAtSectionEndOrAsANewSection) {
    auto ini = ProfileFile::fromText("; top comment\n"
                                     "[A]\n"
                                     "one = 1\n"
                                     "; about two\n"
                                     "\n"
                                     "[B]\n"
                                     "x=y\n");
    ini.writeString("a", "ONE", "un");
    ini.writeString("A", "three", "3");
    ini.writeInteger("C", "n", -4);
    ini.writeBool("B", "flag", true);
    ini.writeString("C", "m", "");
    EXPECT_EQ(ini.toText(), "; top comment\r\n"
                            "[A]\r\n"
                            "ONE=un\r\n"
                            "; about two\r\n"
                            "three=3\r\n"
                            "\r\n"
                            "[B]\r\n"
                            "x=y\r\n"
                            "flag=1\r\n"
                            "[C]\r\n"
                            "n=-4\r\n"
                            "m=\r\n");
    EXPECT_EQ(ini.readString("A", "one", ""), "un");
    EXPECT_EQ(ini.readString("a", "Three", ""), "3");
    EXPECT_EQ(ini.readInteger("c", "N", 0), -4);
}

TEST(ProfileFile, RemovesAWholeSectionWithItsComments) {
    auto ini =
        ProfileFile::fromText("[Keep]\nk=1\n[Windows]\n1=a\n; note\n[windows]\n2=b\n[Tail]\n");
    ini.removeSection("WINDOWS");
    EXPECT_EQ(ini.toText(), "[Keep]\r\nk=1\r\n[Tail]\r\n");
    EXPECT_EQ(ini.readString("Windows", "1", "gone"), "gone");
    ini.writeString("Windows", "1", "new");
    EXPECT_EQ(ini.toText(), "[Keep]\r\nk=1\r\n[Tail]\r\n[Windows]\r\n1=new\r\n");
    ini.removeSection("absent");
    EXPECT_EQ(ini.readString("Windows", "1", ""), "new");
}

TEST(ProfileFile, ReadsCrLfAndLfAndKeepsOtherLines) {
    std::string lf = "junk before\n[S]\nk=v\nnot a key line\n;c=omment\n\n[T]\nz=1";
    std::string crlf =
        "junk before\r\n[S]\r\nk=v\r\nnot a key line\r\n;c=omment\r\n\r\n[T]\r\nz=1\r\n";
    auto fromLf = ProfileFile::fromText(lf);
    auto fromCrLf = ProfileFile::fromText(crlf);
    EXPECT_EQ(fromLf.toText(), crlf);
    EXPECT_EQ(fromCrLf.toText(), crlf);
    EXPECT_EQ(fromLf.readString("S", "k", ""), "v");
    EXPECT_EQ(fromCrLf.readString("T", "z", ""), "1");
    EXPECT_EQ(fromLf.readString("S", ";c", "comment"), "comment");
    EXPECT_EQ(ProfileFile::fromText("").toText(), "");
}

TEST(ProfileFile, ListsTheEntriesOfASectionInFileOrder) {
    auto ini =
        ProfileFile::fromText("[Ports]\n80=web\n 25 = \"mail\" \n;22=ssh\nnothing\n80=again\n"
                              "=empty key\n[Other]\n1=x\n");
    using Entries = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(ini.entries("ports"),
              (Entries{{"80", "web"}, {"25", "mail"}, {"80", "again"}, {"", "empty key"}}));
    EXPECT_TRUE(ini.entries("none").empty());
}

TEST(ProfileFile, AValueWithALineBreakStaysOnItsLine) {
    ProfileFile ini;
    ini.writeString("S", "title", "one\ntwo\r\nthree");
    ini.writeString("S", "after", "x");
    EXPECT_EQ(ini.toText(), "[S]\r\ntitle=$'one\\ntwo\\r\\nthree'\r\nafter=x\r\n");
    auto back = ProfileFile::fromText(ini.toText());
    EXPECT_EQ(back.readString("S", "title", ""), "one\ntwo\r\nthree");
    EXPECT_EQ(back.readString("S", "after", ""), "x");
}
