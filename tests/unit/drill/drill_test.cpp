// The drill over a stand-in engine: the feedback drawn from the analysis'
// word lines, the steering toward what the learner gets wrong, the seed, and
// the JSON lines. Refused answers are tested through kel-drill.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>
#include "exercise/exercise.h"

// ------------------------------------------------ a stand-in for the engine
namespace {
std::vector<selection> asked;          // every selection the drill made
std::vector<word_result> next_words;   // what the next wrong answer gets
unsigned seeded = 0;
unsigned long draws = 0;

const char *subjects[] = {"je", "tu", "il", "nous", "vous", "ils"};
const char *endings[] = {"is", "is", "it", "issons", "issez", "issent"};
const char *ids[] = {"1s", "2s", "3s", "1p", "2p", "3p"};
} // namespace

void seed_questions(unsigned seed) { seeded = seed, draws = seed; }

bool make_question(const selection &sel, question &q, std::string &)
{
    int p = static_cast<int>(draws++ % 6);
    for (int i = 0; i < 6; i++)
        if (sel.person == ids[i])
            p = i;
    asked.push_back(sel);
    q.prompt = std::string(subjects[p]) + " (finir)";
    q.expected = std::string(subjects[p]) + " fin" + endings[p];
    q.tense = sel.tense;
    q.person = ids[p];
    q.group = sel.group.empty() ? "ir" : sel.group;
    return true;
}

answer_result check_answer(const std::string &answer)
{
    answer_result r;
    if (next_words.empty()) {
        r.correct = true;
        return r;
    }
    r.words = next_words;
    r.score = answer == "zero score" ? 0 : 3;
    return r;
}

namespace {

using json = nlohmann::json;

pack_info fake_pack()
{
    pack_info p;
    p.name = "fr";
    p.language = "French";
    p.dir = "/packs/fr";
    p.tenses = {{"present", "present"}, {"imparfait", "imperfect"}};
    p.persons = {{"1s", "1st person singular"}, {"2s", "2nd person singular"},
                 {"3s", "3rd person singular"}, {"1p", "1st person plural"},
                 {"2p", "2nd person plural"},   {"3p", "3rd person plural"}};
    p.groups = {{"er", "-er verbs"}, {"ir", "-ir verbs"}, {"re", "-re verbs"}};
    p.labels = {{"p1", "1st person"}, {"p2", "2nd person"}, {"p3", "3rd person"},
                {"sg", "singular"},   {"pl", "plural"},     {"pres", "present"},
                {"imp", "imperfect"}};
    return p;
}

class Drill : public testing::Test {
protected:
    void start(drill_options opt = {})
    {
        asked.clear();
        next_words.clear();
        std::string error;
        ASSERT_TRUE(drill_start(fake_pack(), opt, error)) << error;
        ASSERT_TRUE(drill_next(error)) << error;
    }
    // Answers the open question wrongly with the given word lines.
    drill_reply wrong(std::vector<word_result> words, const std::string &answer = "x")
    {
        next_words = std::move(words);
        drill_reply r = drill_answer(answer);
        next_words.clear();
        return r;
    }
    // Moves to a question for the given person (the stand-in draws in turn).
    void until_person(const std::string &id)
    {
        std::string error;
        for (int i = 0; i < 12 && asked.back().person != id; i++) {
            drill_answer("right");
            ASSERT_TRUE(drill_next(error));
        }
    }
};

TEST_F(Drill, FeedbackInPlainWordsFromEachClass)
{
    start({{"present"}, 0, 1});
    until_person("1p");
    drill_reply r = wrong({{"EXACT", "nous", "nous", ""}, {"MORPH", "finissons", "finissez", "p1/p2"}});
    ASSERT_EQ(r.kind, reply_kind::answered);
    EXPECT_FALSE(r.result.correct);
    EXPECT_EQ(r.lines, std::vector<std::string>{
                           "finissez: 2nd person plural; nous needs the 1st person plural: finissons"});

    std::string error;
    ASSERT_TRUE(drill_next(error));
    r = wrong({{"MORPH", "finissons", "finissions", "present/imparfait"},
               {"APPROX", "finissons", "finisons", ""},
               {"PHONO", "finis", "finit", ""},
               {"MISSING", "nous", "", ""},
               {"EXTRA", "", "bien", ""},
               {"MISSING", "vous", "", ""},
               {"ELISION", "j'aime", "je aime", ""},
               {"LEX", "aime", "adore", "syn"},
               {"MORPH", "a", "b", "odd"}});
    EXPECT_EQ(r.lines, (std::vector<std::string>{
                           "finissions: imperfect; the question asks for the present: finissons",
                           "finisons: a spelling slip; it is written finissons",
                           "finit: sounds right, but is written finis (-s, not -t)",
                           "je aime: French writes j'aime",
                           "adore: a related word (syn), not the one asked: aime",
                           "b: another form of a; the question needs a",
                           "missing words: nous, vous",
                           "extra word: bien"}));
    EXPECT_EQ(r.feedback.substr(0, 30), "finissions: imperfect; the que");
    EXPECT_EQ(r.feedback.back(), '.');

    // An answer with errors never scores as a right one, even at score 0.
    ASSERT_TRUE(drill_next(error));
    r = wrong({{"APPROX", "a", "b", ""}}, "zero score");
    EXPECT_GT(r.result.score, 0);
    ASSERT_TRUE(drill_next(error));
    EXPECT_EQ(drill_answer("nous finissons").feedback, "Correct.");

    // The expected text is right whatever the analysis makes of it.
    ASSERT_TRUE(drill_next(error));
    json q = json::parse(drill_question_json());
    r = wrong({{"MISSING", "j'", "", ""}}, q["expected"].get<std::string>() + " ");
    EXPECT_TRUE(r.result.correct);
    EXPECT_EQ(r.result.score, 0);
    EXPECT_EQ(r.result.words.size(), 2u);
}

TEST_F(Drill, StepsTowardWhatTheLearnerGetsWrongAndTheSeedRepeats)
{
    // 60 questions; the learner errs in the 1st person plural when `weak`.
    auto persons = [this](bool weak) {
        std::string drawn, error;
        for (int i = 0; i < 60; i++) {
            if (weak && asked.back().person == "1p")
                wrong({{"MORPH", "finissons", "finissez", "p1/p2"}});
            else
                drill_answer("right");
            EXPECT_TRUE(drill_next(error));
            drawn += asked.back().person + " ";
        }
        return drawn;
    };
    auto times = [](const std::string &drawn, const std::string &id) {
        int n = 0;
        for (size_t at = drawn.find(id); at != std::string::npos; at = drawn.find(id, at + 1))
            n++;
        return n;
    };
    start({{"present", "imperfect"}, 0, 42});
    std::string first = persons(false);
    EXPECT_LT(times(first, "1p"), 20);
    for (const selection &s : asked)
        EXPECT_TRUE(s.group.empty());       // left to the engine while nothing is wrong
    start({{"present", "imperfect"}, 0, 42});
    EXPECT_EQ(persons(false), first);      // the same seed, the same questions

    start({{"present"}, 0, 42});
    std::string steered = persons(true);
    EXPECT_GT(times(steered, "1p"), 25);
    int ir = 0;
    for (const selection &s : asked)
        ir += s.group == "ir";
    EXPECT_GT(ir, 0);                       // the weak group is drawn now and then

    json s = json::parse(drill_summary_json())["summary"];
    EXPECT_EQ(s["seed"], 42);
    EXPECT_EQ(s["errors"]["MORPH"], s["answered"].get<int>() - s["right"].get<int>());
    bool onep = false;
    for (const json &p : s["persons"])
        if (p["id"] == "1p") {
            onep = true;
            EXPECT_EQ(p["wrong"], p["asked"]);
        }
    EXPECT_TRUE(onep);
    EXPECT_EQ(s["practise"][0], "1st person plural");
    EXPECT_NE(s["text"][2].get<std::string>().find("1st person plural"), std::string::npos);
}

TEST_F(Drill, JsonLinesAndTheEnd)
{
    start({{"present"}, 2, 3});
    json q = json::parse(drill_question_json());
    EXPECT_EQ(q["n"], 1);
    EXPECT_EQ(q["question"].get<std::string>().find(" (finir)") != std::string::npos, true);
    EXPECT_TRUE(q["expected"].is_string());
    EXPECT_EQ(q["tense"], "present");

    json a = json::parse(drill_reply_json(wrong({{"MORPH", "finis", "finit", "p1/p3"}}, "je finit")));
    EXPECT_EQ(a["n"], 1);
    EXPECT_EQ(a["answer"], "je finit");
    EXPECT_EQ(a["correct"], false);
    EXPECT_EQ(a["score"], 3);
    EXPECT_EQ(a["words"][0], (json{{"class", "MORPH"}, {"expected", "finis"}, {"response", "finit"},
                                   {"detail", "p1/p3"}}));
    EXPECT_TRUE(a["feedback"].is_string());
    EXPECT_EQ(a["right"], 0);
    EXPECT_EQ(a["answered"], 1);

    std::string error;
    ASSERT_TRUE(drill_next(error));
    drill_answer("right");
    EXPECT_FALSE(drill_next(error));        // two questions asked
    EXPECT_TRUE(error.empty());
    json s = json::parse(drill_summary_json())["summary"];
    EXPECT_EQ(s["asked"], 2);
    EXPECT_EQ(s["right"], 1);

    drill_options bad;
    bad.tenses = {"futur"};
    EXPECT_FALSE(drill_start(fake_pack(), bad, error));
    EXPECT_EQ(error, "no tense \"futur\" in the French pack; it has present, imparfait");
    bad.tenses = {"IMP", "Imperfect", "p"};       // a start, a label, in any case
    ASSERT_TRUE(drill_start(fake_pack(), bad, error));
    ASSERT_TRUE(drill_next(error));
    EXPECT_NE(drill_question_text().find("]"), std::string::npos);  // two tenses: it is shown
}

} // namespace
