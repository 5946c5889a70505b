// The French pack through the exercise layer: questions within a selection,
// answers analysed, the same seed giving the same questions, and a missing
// or damaged file refused with its name.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include "exercise/exercise.h"

namespace fs = std::filesystem;

namespace {

class FrenchPack : public testing::Test {
protected:
    pack_info info;
    std::string error;
    void SetUp() override
    {
        std::string dir = find_pack("fr");
        if (dir.empty())
            GTEST_SKIP() << "the French pack is not built";
        ASSERT_TRUE(load_pack(dir, info, error)) << error;
    }
    question ask(const selection &sel)
    {
        question q;
        EXPECT_TRUE(make_question(sel, q, error)) << error;
        return q;
    }
    answer_result answer(const std::string &utf8)
    {
        std::string l1;
        EXPECT_TRUE(to_latin1(utf8, l1, error)) << error;
        return check_answer(l1);
    }
};

TEST_F(FrenchPack, QuestionsWithinASelectionAndTheirAnswers)
{
    EXPECT_EQ(info.name, "fr");
    EXPECT_EQ(info.tenses.front().id, "present");
    EXPECT_EQ(info.labels["p1"], "1st person");
    seed_questions(7);
    for (int i = 0; i < 5; i++) {
        question q = ask({"present", "1p", "g2"});
        ASSERT_EQ(q.prompt.rfind("nous (", 0), 0u) << q.prompt;
        ASSERT_EQ(q.expected.rfind("nous ", 0), 0u) << q.expected;
        EXPECT_EQ(q.expected.substr(q.expected.size() - 6), "issons") << q.expected;
        EXPECT_EQ(q.tense, "present");
        EXPECT_EQ(q.person, "1p");
        EXPECT_EQ(q.group, "g2");
        answer_result right = answer(q.expected);
        EXPECT_TRUE(right.correct);
        EXPECT_EQ(right.score, 0);
        ASSERT_EQ(right.words.size(), 2u);
        EXPECT_EQ(right.words[1].cls, "EXACT");
        // The verb in the 2nd person plural: the same verb, another person.
        std::string wrong = q.expected.substr(0, q.expected.size() - 3) + "ez";
        answer_result r = answer(wrong);
        EXPECT_FALSE(r.correct);
        EXPECT_GT(r.score, 0);
        ASSERT_EQ(r.words.size(), 2u) << wrong;
        EXPECT_EQ(r.words[1].cls, "MORPH");
        EXPECT_NE(r.words[1].detail.find("p1"), std::string::npos) << r.words[1].detail;
        EXPECT_NE(r.words[1].detail.find("p2"), std::string::npos) << r.words[1].detail;
        answer_result extra = answer(q.expected + " bien");
        EXPECT_FALSE(extra.correct);
        EXPECT_EQ(extra.words.back().cls, "EXTRA");
        EXPECT_EQ(extra.words.back().response, "bien");
    }
    question q;
    EXPECT_FALSE(make_question({"plusqueparfait", "", ""}, q, error));
    EXPECT_NE(error.find("plusqueparfait"), std::string::npos);
}

TEST_F(FrenchPack, TheSameSeedGivesTheSameQuestions)
{
    auto run = [&] {
        seed_questions(99);
        std::vector<std::string> out;
        for (int i = 0; i < 6; i++)
            out.push_back(ask({}).expected);
        return out;
    };
    std::vector<std::string> a = run(), b = run();
    EXPECT_EQ(a, b);
}

TEST_F(FrenchPack, MissingOrDamagedFilesAreNamed)
{
    fs::path copy = fs::temp_directory_path() / ("kelpacktest" + std::to_string(getpid()));
    fs::remove_all(copy);
    fs::copy(info.dir, copy);
    fs::remove(copy / "fr.mo");
    pack_info other;
    EXPECT_FALSE(load_pack(copy.string(), other, error));
    EXPECT_NE(error.find("fr.mo"), std::string::npos) << error;

    fs::copy(fs::path(info.dir) / "fr.mo", copy / "fr.mo");
    fs::resize_file(copy / "verbs.le", fs::file_size(copy / "verbs.le") / 2);
    EXPECT_FALSE(load_pack(copy.string(), other, error));
    EXPECT_NE(error.find("verbs.le"), std::string::npos) << error;

    // A file of the right size with a fault the engine reports.
    fs::copy(fs::path(info.dir) / "verbs.le", copy / "verbs.le", fs::copy_options::overwrite_existing);
    std::string text;
    {
        std::ifstream in(copy / "fr.le", std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(in), {});
    }
    text.replace(text.find("p1.sg"), 5, "p9.sg");
    std::ofstream(copy / "fr.le", std::ios::binary) << text;
    EXPECT_FALSE(load_pack(copy.string(), other, error));
    EXPECT_NE(error.find("fr.le"), std::string::npos) << error;
    EXPECT_NE(error.find("Unknown attribute"), std::string::npos) << error;
    fs::remove_all(copy);
    EXPECT_TRUE(load_pack(info.dir, other, error)) << error;
}

} // namespace
