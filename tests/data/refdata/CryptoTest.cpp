// Encrypted data files: round trips through real files, and every way a file can be damaged.
#include "data/Crypto.h"
#include "support/WorkFolder.h"

#include <gtest/gtest.h>
#include <sodium.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using skf::test::WorkFolder;

namespace {

std::string lf_plainOfSize(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>('a' + (i * 7 + i / 13) % 26);
    return s;
}

// A stream in the file format whose chunks are given one by one, with their tags.
std::string lf_rawStream(const std::vector<std::pair<std::string, unsigned char>>& chunks) {
    crypto_secretstream_xchacha20poly1305_state state;
    unsigned char header[crypto_secretstream_xchacha20poly1305_HEADERBYTES];
    crypto_secretstream_xchacha20poly1305_init_push(&state, header, skf::g_dataKey.data());
    std::string out(reinterpret_cast<const char*>(header), sizeof header);
    for (const auto& [plain, tag] : chunks) {
        std::vector<unsigned char> cipher(plain.size() + crypto_secretstream_xchacha20poly1305_ABYTES);
        unsigned long long len = 0;
        crypto_secretstream_xchacha20poly1305_push(&state, cipher.data(), &len,
                                                   reinterpret_cast<const unsigned char*>(plain.data()), plain.size(),
                                                   nullptr, 0, tag);
        out.append(reinterpret_cast<const char*>(cipher.data()), len);
    }
    return out;
}

constexpr unsigned char kMessage = crypto_secretstream_xchacha20poly1305_TAG_MESSAGE;
constexpr unsigned char kFinal = crypto_secretstream_xchacha20poly1305_TAG_FINAL;

} // namespace

class CryptoRoundTrip : public ::testing::TestWithParam<std::size_t> {};

TEST_P(CryptoRoundTrip, EncryptThenDecryptGivesTheSameBytesInTheFileLayout) {
    WorkFolder wf;
    const std::size_t n = GetParam();
    const std::string plain = lf_plainOfSize(n);
    WorkFolder::writeFile("in.xml", plain);
    skf::gf_streamEncrypt(skf::g_dataKey, "in.xml", "data.enc");

    // Header, then chunks of 4096 + 17 bytes, the last one (1 to 4096 plain bytes, or empty for an
    // empty file) tagged FINAL.
    const std::size_t chunks = n == 0 ? 1 : (n + 4095) / 4096;
    EXPECT_EQ(fs::file_size("data.enc"), 24 + n + chunks * 17);
    EXPECT_FALSE(fs::exists("data.enc.part"));

    ASSERT_TRUE(skf::gf_streamDecrypt("data.enc", "out.xml"));
    EXPECT_EQ(WorkFolder::readFile("out.xml"), plain);

    // Kept in memory as well: the same text in memory and in the file.
    fs::remove("out.xml");
    skf::PlainText memory;
    ASSERT_TRUE(skf::gf_streamDecrypt("data.enc", "out.xml", memory));
    EXPECT_EQ(std::string(memory.data.get(), memory.size), plain);
    EXPECT_EQ(WorkFolder::readFile("out.xml"), plain);
}

// Sizes around one chunk, and around the 64-chunk blocks in which the files are read and written.
INSTANTIATE_TEST_SUITE_P(Sizes, CryptoRoundTrip,
                         ::testing::Values(0, 1, 4095, 4096, 4097, 8192, 64 * 4096 - 1, 64 * 4096, 64 * 4096 + 1,
                                           300000));

TEST(Crypto, AFailureKeepsNothingInMemory) {
    WorkFolder wf;
    WorkFolder::writeFile("in.xml", lf_plainOfSize(300000));
    skf::gf_streamEncrypt(skf::g_dataKey, "in.xml", "good.enc");
    std::string bad = WorkFolder::readFile("good.enc");
    bad[24 + 70 * 4113 + 3] = static_cast<char>(bad[24 + 70 * 4113 + 3] ^ 0x20); // in the second block
    WorkFolder::writeFile("data.enc", bad);
    skf::PlainText memory;
    EXPECT_FALSE(skf::gf_streamDecrypt("data.enc", "out.xml", memory));
    EXPECT_EQ(memory.size, 0u);
    EXPECT_FALSE(memory.data);
    EXPECT_FALSE(fs::exists("out.xml"));
    EXPECT_NE(wf.log().find("gf_streamDecrypt exception: Decryption failed"), std::string::npos);
}

TEST(Crypto, ExactChunkMultipleWithFinalOnTheLastFullChunkDecrypts) {
    WorkFolder wf;
    const std::string a = lf_plainOfSize(4096), b = lf_plainOfSize(4096);
    const std::string enc = lf_rawStream({{a, kMessage}, {b, kFinal}});
    ASSERT_EQ(enc.size(), 24u + 2 * 4113);
    WorkFolder::writeFile("data.enc", enc);
    ASSERT_TRUE(skf::gf_streamDecrypt("data.enc", "out.xml"));
    EXPECT_EQ(WorkFolder::readFile("out.xml"), a + b);
}

class CryptoDamaged : public ::testing::Test {
protected:
    void expectFailure(const std::string& text) {
        EXPECT_FALSE(skf::gf_streamDecrypt("data.enc", "out.xml"));
        EXPECT_FALSE(fs::exists("out.xml"));
        EXPECT_NE(wf.log().find("gf_streamDecrypt exception: " + text), std::string::npos) << wf.log();
    }
    WorkFolder wf;
};

TEST_F(CryptoDamaged, OneChangedByteInAnyChunkFails) {
    WorkFolder::writeFile("in.xml", lf_plainOfSize(10000));
    skf::gf_streamEncrypt(skf::g_dataKey, "in.xml", "good.enc");
    const std::string good = WorkFolder::readFile("good.enc");
    for (std::size_t pos : {std::size_t{30}, std::size_t{24 + 4113 + 5}, good.size() - 1}) {
        std::string bad = good;
        bad[pos] = static_cast<char>(bad[pos] ^ 0x01);
        WorkFolder::writeFile("data.enc", bad);
        WorkFolder::writeFile("out.xml", "an earlier plain file");
        expectFailure("Decryption failed");
    }
}

TEST_F(CryptoDamaged, ACutFileFails) {
    WorkFolder::writeFile("in.xml", lf_plainOfSize(10000));
    skf::gf_streamEncrypt(skf::g_dataKey, "in.xml", "good.enc");
    const std::string good = WorkFolder::readFile("good.enc");
    // Cut inside a chunk, and cut exactly after a complete chunk that is not the last one.
    for (std::size_t len : {good.size() - 100, std::size_t{24 + 4113}, std::size_t{24 + 2 * 4113}}) {
        WorkFolder::writeFile("data.enc", good.substr(0, len));
        expectFailure("Decryption failed");
    }
}

TEST_F(CryptoDamaged, BytesAfterTheFinalChunkFail) {
    // After a short stream, and after one that ends exactly at the end of a 64-chunk read block.
    std::vector<std::pair<std::string, unsigned char>> shortStream{{lf_plainOfSize(4096), kFinal}};
    std::vector<std::pair<std::string, unsigned char>> blockStream(63, {lf_plainOfSize(4096), kMessage});
    blockStream.emplace_back(lf_plainOfSize(4096), kFinal);
    for (const auto* chunks : {&shortStream, &blockStream}) {
        for (const std::string& extra : {std::string("x"), std::string(5000, '\0')}) {
            WorkFolder::writeFile("data.enc", lf_rawStream(*chunks) + extra);
            expectFailure("Decryption failed");
            skf::PlainText memory;
            EXPECT_FALSE(skf::gf_streamDecrypt("data.enc", "out.xml", memory));
            EXPECT_EQ(memory.size, 0u);
            EXPECT_FALSE(fs::exists("out.xml"));
        }
    }
}

TEST_F(CryptoDamaged, AStreamWithoutItsFinalChunkFails) {
    WorkFolder::writeFile("data.enc", lf_rawStream({{lf_plainOfSize(4096), kMessage}, {"<root/>", kMessage}}));
    expectFailure("Decryption failed");
}

TEST_F(CryptoDamaged, AHeaderAloneFails) {
    WorkFolder::writeFile("data.enc", lf_rawStream({}));
    expectFailure("Decryption failed");
    WorkFolder::writeFile("data.enc", std::string(10, 'x'));
    expectFailure("Invalid header or key");
}

TEST_F(CryptoDamaged, AnotherKeyFails) {
    WorkFolder::writeFile("in.xml", "<root/>");
    skf::DataKey other = skf::g_dataKey;
    other[0] ^= 0x80;
    skf::gf_streamEncrypt(other, "in.xml", "data.enc");
    expectFailure("Decryption failed");
}

TEST_F(CryptoDamaged, AMissingInputNamesItsPath) {
    expectFailure("Could not open input file: data.enc");
}

TEST_F(CryptoDamaged, AnOutputThatCannotBeCreatedOrWrittenIsNamedWithWhy) {
    WorkFolder::writeFile("data.enc", lf_rawStream({{"<root/>", kFinal}}));
    EXPECT_FALSE(skf::gf_streamDecrypt("data.enc", "no/such/folder/out.xml"));
    EXPECT_NE(wf.log().find("gf_streamDecrypt exception: Could not open output file: no/such/folder/out.xml"),
              std::string::npos);
    // One that cannot be written (a full disk) says why, through a file and through memory alike.
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    fs::create_symlink("/dev/full", "full.xml");
    EXPECT_FALSE(skf::gf_streamDecrypt("data.enc", "full.xml"));
    fs::create_symlink("/dev/full", "full.xml");
    skf::PlainText plain;
    EXPECT_FALSE(skf::gf_streamDecrypt("data.enc", "full.xml", plain));
    const std::string said =
        "gf_streamDecrypt exception: Could not write output file: full.xml (No space left on device)";
    const std::string log = wf.log();
    EXPECT_NE(log.find(said), log.rfind(said)) << log; // twice
}

// A data file that is not what the server made is moved aside (one generation), so that the next start
// downloads it again; other failures leave it where it is.
TEST(DataFile, ADamagedFileIsMovedAsideAndNamedForTheUser) {
    WorkFolder wf;
    const fs::path enc = fs::path("input") / "AIG-regcodes.enc";
    const fs::path xml = fs::path("input") / "AIG-regcodes.xml";
    WorkFolder::writeFile("plain.xml", lf_plainOfSize(10000));
    fs::create_directories("input");
    skf::gf_streamEncrypt(skf::g_dataKey, "plain.xml", "good.enc");
    const std::string good = WorkFolder::readFile("good.enc");
    const std::string moved = "input/AIG-regcodes.enc could not be decrypted (damaged): moved to "
                              "input/AIG-regcodes.enc.bad, it is downloaded again at the next start";
    std::string changed = good;
    changed[24 + 4113 + 9] = static_cast<char>(changed[24 + 4113 + 9] ^ 0x04);
    for (const std::string& bad :
         {good.substr(0, good.size() - 1), good.substr(0, 24 + 4113), changed, good + "x", std::string(10, 'x')}) {
        WorkFolder::writeFile(enc, bad);
        skf::PlainText plain;
        EXPECT_EQ(skf::gf_decryptDataFile(enc, xml, &plain), moved);
        EXPECT_EQ(plain.size, 0u);
        EXPECT_FALSE(fs::exists(enc));
        EXPECT_FALSE(fs::exists(xml));
        EXPECT_EQ(WorkFolder::readFile("input/AIG-regcodes.enc.bad"), bad); // the latest replaces the older
    }
    EXPECT_EQ(skf::gf_decryptDataFile(enc, xml), "input/AIG-regcodes.enc not available");
    // An output that cannot be written says nothing about the file: it stays.
    WorkFolder::writeFile(enc, good);
    EXPECT_EQ(skf::gf_decryptDataFile(enc, "no/such/folder/out.xml"), "input/AIG-regcodes.enc stream decrypt failed");
    EXPECT_EQ(WorkFolder::readFile(enc), good);
    skf::PlainText plain;
    EXPECT_EQ(skf::gf_decryptDataFile(enc, xml, &plain), std::nullopt);
    EXPECT_EQ(std::string(plain.data.get(), plain.size), lf_plainOfSize(10000));
}

TEST(Crypto, RemoveIfExistsRemovesAFileAndIgnoresAMissingOne) {
    WorkFolder wf;
    WorkFolder::writeFile("x.xml", "x");
    skf::gf_removeIfExists("x.xml");
    EXPECT_FALSE(fs::exists("x.xml"));
    skf::gf_removeIfExists("x.xml");
    EXPECT_EQ(wf.log().find("Warning"), std::string::npos);
}

TEST(Crypto, TheBundledSampleDataDecrypts) {
    WorkFolder wf;
    const fs::path input = fs::path(SKYFILL_BINARY_DIR) / "Skyfill" / "input";
    for (const char* name : {"airports", "dbase", "AIG-regcodes"}) {
        const fs::path enc = input / (std::string(name) + ".enc");
        if (!fs::exists(enc))
            GTEST_SKIP() << "sample data not built";
        ASSERT_TRUE(skf::gf_streamDecrypt(enc, "out.xml")) << name;
        EXPECT_EQ(WorkFolder::readFile("out.xml"),
                  WorkFolder::readFile(fs::path(SKYFILL_SOURCE_DIR) / "sample" / (std::string(name) + ".xml")));
    }
}

// The key itself: every other test encrypts with the same key it decrypts with, and the sample data is
// encrypted at build time with it too; only a file made once, outside the build, tells a changed key.
TEST(Crypto, AFileMadeWithTheDataKeyDecrypts) {
    WorkFolder wf;
    ASSERT_TRUE(skf::gf_streamDecrypt(fs::path(SKYFILL_TEST_DATA_DIR) / "crypto" / "key_check.enc", "out.xml"));
    EXPECT_EQ(WorkFolder::readFile("out.xml"),
              "<root><check>made once with the key of the reference data</check></root>");
}

// The plain text in memory is written to the file by a thread of its own while decryption goes on.
TEST(CryptoConcurrent, ALargeFileDecryptsIntoMemoryAndFileAlike) {
    WorkFolder wf;
    const std::string plain = lf_plainOfSize(3 * 1000 * 1000 + 7);
    WorkFolder::writeFile("in.xml", plain);
    skf::gf_streamEncrypt(skf::g_dataKey, "in.xml", "data.enc");
    for (int round = 0; round < 3; ++round) {
        skf::PlainText memory;
        ASSERT_TRUE(skf::gf_streamDecrypt("data.enc", "out.xml", memory));
        ASSERT_EQ(memory.size, plain.size());
        EXPECT_TRUE(std::string_view(memory.data.get(), memory.size) == plain);
        EXPECT_TRUE(WorkFolder::readFile("out.xml") == plain);
    }
}
