// A method's failure is the platform's exception, with the client's text as its message.
#include "server/ServerFailure.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace {

// How the server's handlers tell them apart: a failure for the client first.
QString seenAs(const std::function<void()>& raise) {
    try {
        raise();
    } catch (const ServerFailure& failure) {
        return QStringLiteral("cliente: ") + failure.text();
    } catch (const Exception& e) {
        return QStringLiteral("falha: ") + e.message();
    } catch (const std::exception& e) {
        return QStringLiteral("outra: ") + QString::fromUtf8(e.what());
    }
    return {};
}

} // namespace

TEST(ServerFailure, IsAnExceptionWhoseMessageIsTheClientsText) {
    const QString text = QChar(0x00BF) + QStringLiteral("Apur_Irreg0000000007          *");
    try {
        throw ServerFailure(text);
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), text);
        EXPECT_EQ(QString::fromUtf8(e.what()), text) << "what() keeps the accents as UTF-8";
        const auto* failure = dynamic_cast<const ServerFailure*>(&e);
        ASSERT_NE(failure, nullptr);
        EXPECT_EQ(&failure->text(), &e.message()) << "one text, not two copies to keep in step";
    }
}

TEST(ServerFailure, HandlersStillTellTheClientsTextFromAFault) {
    EXPECT_EQ(seenAs([] { throw ServerFailure(QStringLiteral("DELVALO_nf")); }),
              "cliente: DELVALO_nf");
    EXPECT_EQ(seenAs([] { throw Exception(QStringLiteral("não foi possível gravar")); }),
              "falha: não foi possível gravar");
    EXPECT_EQ(seenAs([] { throw std::runtime_error("sem memória"); }), "outra: sem memória");
}
