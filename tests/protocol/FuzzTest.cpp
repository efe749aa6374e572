#include "protocol/FrameReader.h"
#include "protocol/Message.h"
#include "protocol/PacketCodec.h"

#include <gtest/gtest.h>

#include <random>

using protocol::Message;
using protocol::RemoteValue;

namespace {

// Valid messages of every shape, to be mutated.
QList<QByteArray> seeds() {
    TDataPacket packet;
    packet.fields = {TFieldDef{QStringLiteral("NRVOO"), TFieldType::ftString, 5},
                     TFieldDef{QStringLiteral("QT"), TFieldType::ftInteger},
                     TFieldDef{QStringLiteral("DT"), TFieldType::ftDate},
                     TFieldDef{QStringLiteral("VR"), TFieldType::ftFloat}};
    for (int i = 0; i < 4; ++i)
        packet.rows.push_back(
            {QString::number(1000 + i), qint64(i), QDate(2024, 1, i + 1), i * 1.5});
    TChangePacket delta;
    delta.fields = packet.fields;
    delta.changes.append({TChangePacket::Kind::Update, packet.rows[0], packet.rows[1]});
    return {
        Message::hello(QStringLiteral("Zel00100.rdmApuracaoZel"), 1, QStringLiteral("tok"))
            .toCbor(),
        Message::helloOk(3).toCbor(),
        Message::call(2, QStringLiteral("CalculaApuracao"),
                      {QStringLiteral("x"), QDate(2024, 5, 6), RemoteValue(delta)})
            .toCbor(),
        Message::progress(2, 1, 9, QStringLiteral("ação")).toCbor(),
        Message::reply(2, RemoteValue(packet), {{0, QStringLiteral("r")}}).toCbor(),
        Message::failure(2, QStringLiteral("¿Deliv_Bloq *")).toCbor(),
    };
}

void decodeAll(const QByteArray& bytes) {
    // Only the absence of crashes, hangs and sanitizer reports is checked here; the
    // outcome of each decoder is whatever it says.
    (void)Message::fromServer(bytes);
    (void)Message::fromClient(bytes);
    (void)protocol::PacketCodec::decode(bytes);
    (void)protocol::PacketCodec::decodeDataPacket(bytes);
    (void)protocol::PacketCodec::decodeChangePacket(bytes);
}

} // namespace

TEST(Fuzz, MutatedMessagesNeverCrashTheDecoders) {
    std::mt19937 rng(20240315);
    const QList<QByteArray> valid = seeds();
    int accepted = 0;
    for (int round = 0; round < 4000; ++round) {
        QByteArray bytes = valid[int(rng() % valid.size())];
        const int edits = 1 + int(rng() % 4);
        for (int e = 0; e < edits && !bytes.isEmpty(); ++e) {
            const qsizetype pos = qsizetype(rng() % quint32(bytes.size()));
            switch (rng() % 4) {
            case 0: // flip bits
                bytes[pos] = char(bytes[pos] ^ char(1 << (rng() % 8)));
                break;
            case 1: // random byte, often a length or type header
                bytes[pos] = char(rng());
                break;
            case 2: // truncate
                bytes.truncate(pos);
                break;
            default: // duplicate a slice
                bytes.insert(pos, bytes.mid(pos, qsizetype(rng() % 16)));
                break;
            }
        }
        decodeAll(bytes);
        accepted += Message::fromServer(bytes).ok() ? 1 : 0;
    }
    // Most single edits break a message; some (inside texts) do not.
    EXPECT_LT(accepted, 4000);
}

TEST(Fuzz, RandomBytesThroughTheFrameReader) {
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        protocol::FrameReader reader(4096);
        QByteArray stream(qsizetype(rng() % 2048), '\0');
        for (char& c : stream)
            c = char(rng());
        // Small declared lengths are more interesting than random 32-bit ones.
        if (stream.size() >= 4 && rng() % 2) {
            stream[0] = 0;
            stream[1] = 0;
            stream[2] = char(rng() % 8);
        }
        qsizetype pos = 0;
        QByteArray payload;
        while (pos < stream.size()) {
            const qsizetype n = qMin<qsizetype>(1 + qsizetype(rng() % 64), stream.size() - pos);
            reader.feed(QByteArrayView(stream).sliced(pos, n));
            pos += n;
            while (reader.next(&payload)) {
                ASSERT_LE(payload.size(), 4096);
                decodeAll(payload);
            }
        }
        ASSERT_LE(reader.buffered(), stream.size());
    }
}
