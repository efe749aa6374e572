#include "protocol/FrameReader.h"

#include <gtest/gtest.h>

#include <QtEndian>

using protocol::Frame;
using protocol::FrameReader;

namespace {

QByteArray header(quint32 length) {
    QByteArray h(4, '\0');
    qToBigEndian(length, h.data());
    return h;
}

QList<QByteArray> drain(FrameReader& reader) {
    QList<QByteArray> frames;
    QByteArray payload;
    while (reader.next(&payload))
        frames.append(payload);
    return frames;
}

} // namespace

TEST(FrameReader, LengthIsBigEndianAndPayloadFollows) {
    const QByteArray frame = Frame::encode(QByteArray(300, 'x'));
    ASSERT_EQ(frame.size(), 304);
    EXPECT_EQ(frame.left(4), QByteArray::fromHex("0000012c"));
}

// Three frames of different sizes, cut at every possible pair of positions.
TEST(FrameReader, YieldsTheSameFramesWhateverTheSplit) {
    const QList<QByteArray> payloads{QByteArray("a"), QByteArray(260, 'b'), QByteArray("cde")};
    QByteArray stream;
    for (const auto& p : payloads)
        stream += Frame::encode(p);

    for (qsizetype cut1 = 0; cut1 <= stream.size(); ++cut1) {
        for (qsizetype cut2 = cut1; cut2 <= stream.size(); cut2 += 7) {
            FrameReader reader;
            QList<QByteArray> got;
            reader.feed(QByteArrayView(stream).first(cut1));
            got += drain(reader);
            reader.feed(QByteArrayView(stream).sliced(cut1, cut2 - cut1));
            got += drain(reader);
            reader.feed(QByteArrayView(stream).sliced(cut2));
            got += drain(reader);
            ASSERT_EQ(got, payloads) << "cuts " << cut1 << " " << cut2;
            EXPECT_FALSE(reader.hasError());
            EXPECT_EQ(reader.buffered(), 0);
        }
    }
}

TEST(FrameReader, ByteByByteFeedingOfManyFrames) {
    FrameReader reader;
    QByteArray stream;
    for (int i = 0; i < 200; ++i)
        stream += Frame::encode(QByteArray::number(i));
    int count = 0;
    QByteArray payload;
    for (char c : stream) {
        reader.feed(QByteArrayView(&c, 1));
        while (reader.next(&payload))
            EXPECT_EQ(payload, QByteArray::number(count++));
    }
    EXPECT_EQ(count, 200);
}

TEST(FrameReader, OversizedLengthIsAnErrorBeforeAnyPayloadArrives) {
    FrameReader reader(1024);
    reader.feed(header(1025));
    QByteArray payload;
    EXPECT_FALSE(reader.next(&payload));
    EXPECT_TRUE(reader.hasError());
    EXPECT_TRUE(reader.errorString().contains(QLatin1String("1025")));
    // A 4 GiB claim is refused the same way, with nothing reserved for it.
    FrameReader big;
    big.feed(header(0xFFFFFFFFu) + QByteArray("abc"));
    EXPECT_FALSE(big.next(&payload));
    EXPECT_TRUE(big.hasError());
    EXPECT_LE(big.buffered(), 7);
}

TEST(FrameReader, LimitIsInclusiveAndConfigurable) {
    FrameReader reader(8);
    reader.feed(Frame::encode(QByteArray(8, 'z')));
    QByteArray payload;
    ASSERT_TRUE(reader.next(&payload));
    EXPECT_EQ(payload.size(), 8);
    EXPECT_EQ(FrameReader().maxFrameSize(), 64 * 1024 * 1024);
}

TEST(FrameReader, ErrorsStickUntilReset) {
    FrameReader reader;
    reader.feed(header(0)); // an empty frame cannot hold a CBOR value
    QByteArray payload;
    EXPECT_FALSE(reader.next(&payload));
    ASSERT_TRUE(reader.hasError());
    reader.feed(Frame::encode(QByteArray("ok")));
    EXPECT_FALSE(reader.next(&payload));
    reader.reset();
    reader.feed(Frame::encode(QByteArray("ok")));
    ASSERT_TRUE(reader.next(&payload));
    EXPECT_EQ(payload, "ok");
}

TEST(FrameReader, TruncatedFrameWaitsForTheRest) {
    FrameReader reader;
    const QByteArray frame = Frame::encode(QByteArray("hello"));
    reader.feed(frame.left(frame.size() - 1));
    QByteArray payload;
    EXPECT_FALSE(reader.next(&payload));
    EXPECT_FALSE(reader.hasError());
    reader.feed(frame.right(1));
    EXPECT_TRUE(reader.next(&payload));
}

// A small first frame (a hello) and larger ones after it: the limit applies from the next
// frame on, to frames already buffered too.
TEST(FrameReader, ALimitSetLaterAppliesToTheNextFrame) {
    FrameReader reader(16);
    reader.feed(Frame::encode(QByteArray(10, 'h')) + Frame::encode(QByteArray(100, 'c')));
    QByteArray payload;
    ASSERT_TRUE(reader.next(&payload));
    reader.setMaxFrameSize(100);
    ASSERT_TRUE(reader.next(&payload));
    EXPECT_EQ(payload.size(), 100);
    reader.setMaxFrameSize(50);
    reader.feed(Frame::encode(QByteArray(51, 'x')));
    EXPECT_FALSE(reader.next(&payload));
    EXPECT_TRUE(reader.hasError());
}

// After a large frame the buffer does not keep its room, whether the frame ended the
// bytes that came or a small one came right behind it.
TEST(FrameReader, TheRoomOfALargeFrameIsGivenBack) {
    const qsizetype large = 3 * FrameReader::kKeptCapacity;
    FrameReader reader;
    QByteArray payload;
    reader.feed(Frame::encode(QByteArray(large, 'x')));
    ASSERT_TRUE(reader.next(&payload));
    EXPECT_LE(reader.capacity(), FrameReader::kKeptCapacity);

    const QByteArray small = Frame::encode(QByteArray(10, 's'));
    reader.feed(Frame::encode(QByteArray(large, 'y')) + small + small.left(5));
    ASSERT_TRUE(reader.next(&payload));
    EXPECT_EQ(payload.size(), large);
    EXPECT_LE(reader.capacity(), FrameReader::kKeptCapacity);
    ASSERT_TRUE(reader.next(&payload));
    EXPECT_EQ(payload, QByteArray(10, 's'));
    reader.feed(small.mid(5));
    ASSERT_TRUE(reader.next(&payload));
    EXPECT_EQ(payload, QByteArray(10, 's'));
}
