#include "decoder/Envelope.h"

#include <gtest/gtest.h>

namespace quillot::decoder {

// Silence then full scale, fed in uneven pieces: the columns split where the signal does, whatever the
// length, a file shorter than the columns and one of millions of frames (which merges its bins) alike.
TEST(Envelope, ColumnsFollowTheSignalAtAnyLength) {
  for (size_t frames : {size_t{150}, size_t{4000}, size_t{2'000'003}}) {
    SCOPED_TRACE(frames);
    TEnvelopeBuilder envelope;
    EXPECT_TRUE(envelope.Columns().empty());
    const size_t half = frames / 2;
    std::vector<float> samples;
    for (size_t f = 0; f < frames; ++f) {
      const float v = f < half ? 0.0f : (f % 2 ? 1.0f : -1.0f);
      samples.push_back(v);
      samples.push_back(v / 2);
    }
    for (size_t at = 0, piece = 1; at < frames; at += piece, piece = piece * 3 % 1009 + 1)
      envelope.Add(samples.data() + 2 * at, std::min(piece, frames - at), 2);
    const auto columns = envelope.Columns();
    ASSERT_EQ(columns.size(), decode::kEnvelopePoints);
    // The columns wholly inside either half.
    for (size_t c = 0; c < columns.size(); ++c) {
      const size_t firstFrame = c * frames / columns.size(), lastFrame = (c + 1) * frames / columns.size();
      if (frames >= columns.size() && lastFrame < half - frames / 50) {
        EXPECT_EQ(columns[c].Peak, 0) << c;
      }
      if (frames >= columns.size() && firstFrame > half + frames / 50) {
        EXPECT_EQ(columns[c].Peak, 1) << c;
        EXPECT_NEAR(columns[c].Rms, 0.79, 0.01) << c;  // sqrt((1 + 0.25) / 2)
      }
      EXPECT_LE(columns[c].Rms, columns[c].Peak);
    }
  }
}

}  // namespace quillot::decoder
