#include "external/shared/Showavi.h"

#include "core/Exception.h"
#include "platform/TApplication.h"
#include "platform/TScriptedPresenter.h"

#include <gtest/gtest.h>

namespace {

using Kind = TScriptedPresenter::Kind;

class ShowaviTest : public ::testing::Test {
protected:
    void SetUp() override { Application().setPresenter(&presenter); }
    void TearDown() override {
        Showavi::DeactiveShowAvi();
        Application().setPresenter(nullptr);
    }

    // A wait window that cannot be shown for kind 0.
    struct Presenter : TScriptedPresenter {
        void waitBegin(int kind) override {
            if (kind == 0)
                throw Exception(QStringLiteral("Animação indisponível."));
            TScriptedPresenter::waitBegin(kind);
        }
    } presenter;
};

TEST_F(ShowaviTest, OneAnimationAtATimeAndHidingTwiceIsHarmless) {
    Showavi::ActiveShowAvi(nullptr, 6);
    Showavi::ActiveShowAvi(nullptr, 6);
    Showavi::ActiveShowAvi(nullptr, 1); // another kind replaces it
    EXPECT_TRUE(Showavi::isActive());
    Showavi::DeactiveShowAvi();
    Showavi::DeactiveShowAvi();
    EXPECT_FALSE(Showavi::isActive());
    std::vector<Kind> kinds;
    for (const auto& record : presenter.records())
        kinds.push_back(record.kind);
    EXPECT_EQ(kinds,
              (std::vector<Kind>{Kind::WaitBegin, Kind::WaitEnd, Kind::WaitBegin, Kind::WaitEnd}));
}

TEST_F(ShowaviTest, AnAnimationThatFailedToStartIsNotOn) {
    Showavi::ActiveShowAvi(nullptr, 6);
    EXPECT_THROW(Showavi::ActiveShowAvi(nullptr, 0), Exception);
    EXPECT_FALSE(Showavi::isActive());
    // The one it replaced was ended, and nothing is ended twice.
    Showavi::DeactiveShowAvi();
    EXPECT_EQ(presenter.records(Kind::WaitEnd).size(), 1u);
}

} // namespace
