// The scripted prompts that every window test relies on, and the slot guard.
#include <QObject>
#include <gtest/gtest.h>
#include <stdexcept>

#include "platform/database.h"
#include "platform/fake_ui_services.h"
#include "platform/ui_services.h"

namespace {

struct Collected {
    std::vector<std::string> messages;
    std::function<void(const std::string&)> Reporter()
    {
        return [this](const std::string& m) { messages.push_back(m); };
    }
};

TEST(FakeUiServices, UnexpectedPromptsFailTheTest)
{
    // No answer at all.
    {
        Collected c;
        FakeUiServices fake(c.Reporter());
        ScopedUi use(fake);
        EXPECT_THROW(ShowInformation("Tri", "Il faut désactiver le filtrage des ouvrages vides pour pouvoir trier."),
                     UnexpectedPrompt);
        ASSERT_EQ(fake.Failures().size(), 1u);
        EXPECT_NE(fake.Failures()[0].find("\"Tri\""), std::string::npos);
        EXPECT_EQ(c.messages, fake.Failures());
        EXPECT_EQ(fake.Prompts().size(), 1u);  // still recorded
    }
    // An answer of another kind stays for a later prompt.
    {
        FakeUiServices fake;
        fake.AnswerText("X");
        ScopedUi use(fake);
        EXPECT_THROW(AskYesNo("Copie", "?"), UnexpectedPrompt);
        EXPECT_EQ(fake.PendingAnswers(), 1u);
        std::string t;
        EXPECT_TRUE(AskQuestion("c", "q", t));
        EXPECT_EQ(t, "X");
    }
    // Another title than the expected one.
    {
        FakeUiServices fake;
        fake.AnswerMessage(MsgResult::Yes, "Suppression");
        ScopedUi use(fake);
        EXPECT_THROW(AskYesNo("Copie", "?"), UnexpectedPrompt);
        EXPECT_EQ(fake.Failures().size(), 1u);
    }
    // An answer that is not a button of the box.
    {
        FakeUiServices fake;
        fake.AnswerMessage(MsgResult::Cancel);
        ScopedUi use(fake);
        EXPECT_THROW(AskYesNo("Suppression", "?"), UnexpectedPrompt);
    }
    // Several files for a single-file dialog.
    {
        FakeUiServices fake;
        fake.AnswerFiles({"a", "b"});
        ScopedUi use(fake);
        std::string path;
        EXPECT_THROW(AskOpenFile({}, path), UnexpectedPrompt);
    }
}

TEST(FakeUiServices, UnusedAnswersAreReportedWhenTheFakeGoesAway)
{
    Collected c;
    {
        FakeUiServices fake(c.Reporter());
        fake.AnswerMessage(MsgResult::Yes, "Copie");
    }
    ASSERT_EQ(c.messages.size(), 1u);
    EXPECT_NE(c.messages[0].find("unused"), std::string::npos);
}

TEST(FakeUiServices, WithoutThrowingAFailedPromptAnswersAsIfClosed)
{
    FakeUiServices fake;
    fake.SetThrowOnUnexpected(false);
    ScopedUi use(fake);
    EXPECT_EQ(AskYesNoCancel("Edition", "?"), MsgResult::Cancel);
    EXPECT_EQ(AskYesNo("Copie", "?"), MsgResult::No);
    std::string t;
    EXPECT_FALSE(AskQuestion("c", "q", t));
    EXPECT_EQ(fake.Failures().size(), 3u);
    EXPECT_FALSE(fake.Verify());
}

TEST(FakeUiServices, VerifyReportsUnusedAnswersAndAutoOkServesPlainBoxes)
{
    FakeUiServices fake;
    fake.SetAutoOk(true);
    fake.AnswerMessage(MsgResult::No, "Copie");
    ScopedUi use(fake);
    ShowMessage("Effectué");  // OK only: served without using the scripted answer
    EXPECT_EQ(fake.PendingAnswers(), 1u);
    EXPECT_FALSE(fake.Verify());
    ASSERT_EQ(fake.Failures().size(), 1u);
    EXPECT_NE(fake.Failures()[0].find("Copie"), std::string::npos);
    EXPECT_EQ(fake.Prompts()[0].title, "Carotix");
    EXPECT_EQ(fake.Prompts()[0].icon, MsgIcon::None);
    EXPECT_EQ(fake.Prompts()[0].buttons, MsgOk);
}

TEST(FakeUiServices, BusyCursorIsRestoredOnEveryPath)
{
    FakeUiServices fake;
    ScopedUi use(fake);
    try {
        BusyCursor busy;
        {
            BusyCursor nested;
            EXPECT_EQ(fake.BusyDepth(), 2);
        }
        throw std::runtime_error("x");
    } catch (const std::runtime_error&) {
    }
    {
        BusyCursor busy;
        busy.Restore();
        EXPECT_EQ(fake.BusyDepth(), 0);
    }
    EXPECT_EQ(fake.BusyDepth(), 0);
    EXPECT_EQ(fake.BusyCount(), 3);
    EXPECT_TRUE(fake.Verify());
}

TEST(UiServices, WithoutInstalledPromptsEverythingIsRefusedWithoutBlocking)
{
    UiServices* previous = SetUi(nullptr);
    EXPECT_EQ(AskYesNoCancel("t", "x"), MsgResult::Cancel);
    EXPECT_EQ(AskYesNo("t", "x"), MsgResult::No);
    std::string s;
    EXPECT_FALSE(AskQuestion("t", "q", s));
    EXPECT_TRUE(AskOpenFiles({}).empty());
    SetUi(previous);
}

TEST(SlotGuard, FailuresEndInTheProgramsFailureBox)
{
    FakeUiServices fake;
    fake.AnswerMessage(MsgResult::Ok, "Carotix").AnswerMessage(MsgResult::Ok, "Carotix");
    fake.AnswerMessage(MsgResult::Ok, "Carotix").AnswerMessage(MsgResult::Ok, "Carotix");
    ScopedUi use(fake);
    EXPECT_FALSE(RunGuarded([] { throw std::runtime_error("Format de fichier invalide"); }));
    EXPECT_FALSE(RunGuarded([] { throw 42; }));
    // A wait the person gave up is told, not reported as a failure; a database
    // error that is not a cancel stays one.
    EXPECT_FALSE(RunGuarded([] { throw EDatabaseCancelled("Requ\xC3\xAAte annul\xC3\xA9" "e."); }));
    EXPECT_FALSE(RunGuarded([] { throw EDatabaseError("Base verrouill\xC3\xA9" "e."); }));
    EXPECT_TRUE(RunGuarded([] {}));
    EXPECT_TRUE(fake.Verify());
    ASSERT_EQ(fake.Prompts().size(), 4u);
    EXPECT_EQ(fake.Prompts()[0].text, "Format de fichier invalide");
    EXPECT_EQ(fake.Prompts()[0].icon, MsgIcon::Error);
    EXPECT_EQ(fake.Prompts()[0].buttons, MsgOk);
    EXPECT_EQ(fake.Prompts()[1].text, "Erreur inconnue");
    EXPECT_EQ(fake.Prompts()[2].text, "Requ\xC3\xAAte annul\xC3\xA9" "e.");
    EXPECT_EQ(fake.Prompts()[2].icon, MsgIcon::Information);
    EXPECT_EQ(fake.Prompts()[2].buttons, MsgOk);
    EXPECT_EQ(fake.Prompts()[3].icon, MsgIcon::Error);
}

TEST(SlotGuard, GuardedSlotsKeepExceptionsAwayFromQt)
{
    FakeUiServices fake;
    fake.AnswerMessage(MsgResult::Ok).AnswerMessage(MsgResult::Ok);
    ScopedUi use(fake);
    QObject sender;
    QString seen;
    // A handler that takes the signal's argument, and one that takes none.
    QObject::connect(&sender, &QObject::objectNameChanged, GuardedSlot([&seen](const QString& name) {
                         seen = name;
                         throw std::runtime_error("Path not found (" + name.toStdString() + ")");
                     }));
    QObject::connect(&sender, &QObject::objectNameChanged,
                     GuardedSlot([] { throw std::logic_error("second"); }));
    sender.setObjectName(QStringLiteral("Niveau"));
    EXPECT_EQ(seen, QStringLiteral("Niveau"));
    EXPECT_TRUE(fake.Verify());
    ASSERT_EQ(fake.Prompts().size(), 2u);
    EXPECT_EQ(fake.Prompts()[0].text, "Path not found (Niveau)");
    EXPECT_EQ(fake.Prompts()[1].text, "second");
}

TEST(SlotGuard, AFailingFailureBoxIsSwallowed)
{
    // The fake refuses the failure box (nothing scripted): the guard must still
    // not let anything out, and the test sees the unexpected prompt.
    FakeUiServices fake;
    ScopedUi use(fake);
    bool ok = true;
    EXPECT_NO_THROW(ok = RunGuarded([] { throw std::runtime_error("boom"); }));
    EXPECT_FALSE(ok);
    ASSERT_EQ(fake.Failures().size(), 1u);
    EXPECT_NE(fake.Failures()[0].find("boom"), std::string::npos);
}

}  // namespace
