// The front end of the synthesis buffers: the channels write into sample
// buffers, the stream hand-off reads interleaved left/right values.
#pragma once
#include <cstdint>

#include "sound/sample_buffer.h"

// The three buffers a channel can be routed to.
struct BufferTriple {
  SampleBuffer* center;
  SampleBuffer* left;
  SampleBuffer* right;
};

class MixBuffer {
 public:
  virtual ~MixBuffer() = default;
  // Accepts any value and changes nothing; there is nothing to choose yet.
  virtual const char* select_option(int) { return nullptr; }
  virtual BufferTriple channel_buffers(int index) = 0;
  virtual const char* set_sample_rate(long rate, int length_ms) = 0;
  virtual void set_clock_rate(long rate) = 0;
  virtual void set_bass_frequency(int freq) = 0;
  virtual void clear() = 0;
  virtual void end_frame(int time, bool stereo) = 0;
  // Writes up to count 16-bit values and returns how many it wrote.
  virtual long read_samples(int16_t* out, long count) = 0;
  // 16-bit values ready to be read.
  virtual long samples_available() const = 0;

  long sample_rate = 0;
  long length_ms = 0;
  int samples_per_frame = 2;

 protected:
  MixBuffer() = default;
};

// Center, left and right buffers mixed into left/right pairs. While no
// channel has been heard on a side, only the center buffer is read and both
// outputs carry it.
class StereoMixBuffer : public MixBuffer {
 public:
  StereoMixBuffer();
  ~StereoMixBuffer() override = default;

  BufferTriple channel_buffers(int index) override;
  const char* set_sample_rate(long rate, int length_ms) override;
  void set_clock_rate(long rate) override;
  void set_bass_frequency(int freq) override;
  void clear() override;
  void end_frame(int time, bool stereo) override;
  long read_samples(int16_t* out, long count) override;
  long samples_available() const override;

  // The three buffers and the choice of mono or stereo in a machine state.
  template <class State>
  void walk(State& s);

  void mix_mono(int16_t* out, long pairs);
  void mix_stereo(int16_t* out, long pairs);

  SampleBuffer bufs[3];  // 0 center, 1 left, 2 right
  BufferTriple triple;
  bool stereo_added = false;
  bool was_stereo = false;
};
