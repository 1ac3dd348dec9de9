// The SMTP client against 100 000 seeded hostile replies through a device without a
// connection (NULs, lone CRs, endless or overlong lines, hundreds of continuation lines,
// odd codes, and good answers so the dialogue gets deeper): no crash or hang, the error
// one line of at most 255 characters inside its buffer, QUIT only after an accepted mail.
// HORALINK_FUZZ_SEED chooses other replies, HORALINK_FUZZ_COUNT how many; a failure
// names the seed.
#include "fuzzseed.h"
#include "email.h"

#include "memoryio.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace {

const unsigned long long DEFAULT_FUZZ_SEED = 20261208;
const long DEFAULT_FUZZ_COUNT = 100000;
const char CANARY = '\x5a';

class HOSTILE {
public:
    explicit HOSTILE(unsigned long long seed) : random(seed) {}

    int Below(int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); }

    std::string Code()
    {
        static const char* const codes[] = {"220", "250", "354", "221", "500", "199", "300", "399", "400", "599",
                                            "25",  "2500", "-250", " 250", "+250", "99999999999999999999", "0250", ""};
        return codes[Below(sizeof codes / sizeof codes[0])];
    }
    std::string Bytes(int n)
    {
        std::string s;
        for (int i = 0; i < n; i++) {
            int kind = Below(10);
            s += kind == 0 ? '\r' : kind == 1 ? '\n' : kind == 2 ? '\0' : kind == 3 ? '-' : static_cast<char>(random());
        }
        return s;
    }
    std::string End()
    {
        static const char* const ends[] = {"\r\n", "\r\n", "\r\n", "\n", "\r", "", "\r\r\n", "\n\r"};
        return ends[Below(sizeof ends / sizeof ends[0])];
    }
    // A reply to command ("" the greeting) by a broken or hostile server; a good one
    // two times out of three, so the dialogue gets to its later steps too.
    std::string Reply(const std::string& command)
    {
        switch (Below(24)) {
        case 0: return Code() + " fine" + End();
        case 1: return Code() + (Below(2) ? "-" : " ") + Bytes(Below(40)) + End();
        case 2: return Bytes(Below(600));
        case 3: return Code() + " " + std::string(static_cast<size_t>(200 + Below(1400)), 'y') + End();
        case 4: {
            std::string s;
            for (int i = Below(160); i > 0; i--) s += Code() + "-" + Bytes(Below(8)) + "\r\n";
            return s + (Below(2) ? Code() + " last\r\n" : std::string());
        }
        case 5: return Code() + "-" + Bytes(Below(30));
        case 6: return std::string();
        case 7: return std::string(static_cast<size_t>(Below(3000)), '\0');
        default: {
            std::string code = command.empty() ? "220" : command.compare(0, 4, "DATA") == 0 ? "354" : "250";
            return Below(4) ? code + " ok\r\n" : code + "-more\r\n" + code + " ok\r\n";
        }
        }
    }

private:
    std::mt19937_64 random;
};

TEST(SmtpFuzz, HostileRepliesGiveTrueOrFalseAndABoundedError)
{
    unsigned long long seed = FuzzSeed(DEFAULT_FUZZ_SEED);
    long count = FuzzCount(DEFAULT_FUZZ_COUNT);
    SCOPED_TRACE("HORALINK_FUZZ_SEED=" + std::to_string(seed));
    printf("smtpfuzz: HORALINK_FUZZ_SEED=%llu, %ld replies\n", seed, count);

    HOSTILE hostile(seed);
    MEMORYIO device;
    // Mails are made once: the dialogue changes nothing in them.
    EMAIL named("s@example.org", "r@example.org", "t", "body\n.\n", "host");
    EMAIL anonymous("anonymous", "r@example.org", "t", "body\n.\n", "host");
    EMAIL two("s@example.org", "r@example.org", "t", "body\n.\n", "host");
    two.AddRecipient("second@example.net");
    EMAIL* mails[] = {&named, &anonymous, &two};
    long replies = 0, dialogues = 0, sent = 0;
    while (replies < count) {
        dialogues++;
        EMAIL& mail = *mails[hostile.Below(3)];
        device.Restart([&](const std::string& bytes) {
            // A command is one line; the message itself is not answered.
            if (bytes.find("\r\n") != bytes.size() - 2) return std::string();
            replies++;
            return hostile.Reply(bytes);
        });
        replies++;
        device.Arrive(hostile.Reply(""));
        char error[300];
        int size = 1 + hostile.Below(280);
        memset(error, CANARY, sizeof error);
        bool ok = mail.SendMailOver(device, "Subject: t\r\n\r\nbody\r\n", error, size, 5000);
        sent += ok;
        ASSERT_EQ(error[size], CANARY) << "error written past its size, dialogue " << dialogues;
        ASSERT_LT(strlen(error), static_cast<size_t>(size));
        ASSERT_LE(strlen(error), static_cast<size_t>(SMTP_MAXLINE));
        ASSERT_EQ(strcspn(error, "\r\n"), strlen(error)) << "dialogue " << dialogues;
        const std::string& written = device.Written();
        bool quit = written.size() >= 6 && written.compare(written.size() - 6, 6, "QUIT\r\n") == 0;
        ASSERT_EQ(ok, quit) << "dialogue " << dialogues;
        if (ok) {
            ASSERT_NE(written.find("body\r\n\r\n.\r\nQUIT\r\n"), std::string::npos) << written;
        }
    }
    EXPECT_GT(sent, 0) << "the dialogue never got deep";
}

}  // namespace
