#!/usr/bin/env python3
"""Makes the music seeds of fuzz/corpus/media that pass the music check yet
fail in a decoder past the headers: in its frame, loop, chain and seek code,
where no check of the headers can follow it.

    python3 fuzz/corpus/make-music-seeds.py [NAME ...]

writes every seed (or only those named) into fuzz/corpus/media and prints
each name with its size. Every run writes the same bytes: the seeds made
here by hand (WAV, AIFF-C, the Ogg pages of the codebook file) and, with
the encoders they were made with, those of the encoders: Debian 12's flac
1.4.2, oggenc 1.4.2 (libvorbis 1.3.7) and opusenc 0.2 (libopus 1.3.1),
from apt-get install flac vorbis-tools opus-tools. Samples are made here
too, never read from elsewhere.

What each one does to the mixer (SDL2_mixer 2.6.2) when it is loaded,
played and sought in the program's own process:

  music-loop-tagged.flac        a seek past LOOPEND: SIGSEGV on the audio thread
  music-channels-claimed.flac   SIGSEGV in the FLAC write callback at play
  music-smpl-loops.wav          SIGSEGV inside the WAV load
  music-vorbis-chain.ogg        heap read past a buffer at the link (ASan)
  music-opus-chain.opus         heap read past a buffer at the link (ASan)
  music-vorbis-setup-bit.ogg    SIGFPE in libvorbis on a read after the
                                first error; the mixer's first seek fails
  music-float64-8ch.wav         8-byte read past a buffer (valgrind)
  music-fl64.aifc               8-byte read past a buffer (valgrind)
  music-vorbis-codebooks.ogg    2.1 GB taken before the load fails
  music-8bit.flac               loads, then Mix_PlayMusic fails
  music-32bit.flac              loads, then Mix_PlayMusic fails
  music-seektable-past-end.flac loads, then Mix_PlayMusic fails
"""

import math
import os
import struct
import subprocess
import sys
import tempfile

MEDIA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "media")


# === Samples ==================================================================

def sine(frames, rate, frequency, amplitude):
    """frames values of a sine, amplitude times full scale (1.0)."""
    return [amplitude * math.sin(2 * math.pi * frequency * i / rate) for i in range(frames)]


def pcm(values, width, scale, channels=1):
    """Signed little-endian integers of width bytes, each value times scale,
    the same in every channel of a frame."""
    code = {1: "b", 2: "h", 4: "i"}[width]
    return b"".join(struct.pack("<" + code * channels, *[int(v * scale)] * channels) for v in values)


# === Encoders =================================================================

def encode(command, raw, suffix):
    """Runs an encoder on raw samples in a file of its own and returns what
    it wrote. command holds the placeholders IN and OUT."""
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, "in.raw")
        target = os.path.join(work, "out" + suffix)
        with open(source, "wb") as f:
            f.write(raw)
        subprocess.run([{"IN": source, "OUT": target}.get(a, a) for a in command], check=True)
        with open(target, "rb") as f:
            return f.read()


def flac(raw, rate, channels, bits, *options):
    """FLAC at the best compression, without padding, of raw signed
    little-endian samples."""
    return encode(["flac", "--silent", "--force-raw-format", "--endian=little", "--sign=signed",
                   "--channels=%d" % channels, "--bps=%d" % bits, "--sample-rate=%d" % rate,
                   "-8", "--no-padding", *options, "-o", "OUT", "IN"], raw, ".flac")


def vorbis(raw, rate, channels, quality, serial):
    """Ogg Vorbis of raw 16-bit samples; the serial number fixed, so the
    bytes are the same at every run."""
    return encode(["oggenc", "--quiet", "--raw", "--raw-bits=16", "--raw-chan=%d" % channels,
                   "--raw-rate=%d" % rate, "--quality=%d" % quality, "--serial=%d" % serial,
                   "-o", "OUT", "IN"], raw, ".ogg")


def opus(raw, channels, frame_ms, serial):
    """Ogg Opus of raw 16-bit samples at 48 kHz, 16 kbit/s."""
    return encode(["opusenc", "--quiet", "--raw", "--raw-bits", "16", "--raw-rate", "48000",
                   "--raw-chan", str(channels), "--framesize", str(frame_ms), "--bitrate", "16",
                   "--serial", str(serial), "IN", "OUT"], raw, ".opus")


# === FLAC metadata ============================================================

def flac_block(data, block_type):
    """Offset and length of the body of the first metadata block of a type."""
    offset = 4
    while True:
        header = data[offset]
        length = int.from_bytes(data[offset + 1:offset + 4], "big")
        if header & 0x7F == block_type:
            return offset + 4, length
        if header & 0x80:
            raise ValueError("no metadata block of type %d" % block_type)
        offset += 4 + length


SEEKTABLE = 3  # the seek table's block type


# === Ogg ======================================================================

def _crc_table():
    table = []
    for i in range(256):
        r = i << 24
        for _ in range(8):
            r = ((r << 1) ^ 0x04C11DB7 if r & 0x80000000 else r << 1) & 0xFFFFFFFF
        table.append(r)
    return table


CRC_TABLE = _crc_table()


def ogg_crc(data):
    """The Ogg page checksum: CRC-32, polynomial 0x04C11DB7, unreflected,
    starting from 0, over the page with its checksum field zero."""
    crc = 0
    for byte in data:
        crc = ((crc << 8) & 0xFFFFFFFF) ^ CRC_TABLE[((crc >> 24) ^ byte) & 0xFF]
    return crc


def ogg_page(packets, flags, sequence, serial):
    """One Ogg page of whole packets at granule position 0 (headers)."""
    lacing = []
    for packet in packets:
        lacing += [255] * (len(packet) // 255) + [len(packet) % 255]
    assert len(lacing) < 256
    page = bytearray(b"OggS" + bytes([0, flags]) + struct.pack("<qIII", 0, serial, sequence, 0) +
                     bytes([len(lacing)]) + bytes(lacing) + b"".join(packets))
    page[22:26] = ogg_crc(page).to_bytes(4, "little")
    return bytes(page)


def ogg_refresh_crc(data, offset):
    """data with the checksum of the page that holds byte offset made right
    again, so the page reaches the decoder despite a change."""
    page = data.rfind(b"OggS", 0, offset + 1)
    segments = data[page + 26]
    end = page + 27 + segments + sum(data[page + 27:page + 27 + segments])
    data[page + 22:page + 26] = bytes(4)
    data[page + 22:page + 26] = ogg_crc(data[page:end]).to_bytes(4, "little")
    return data


class BitWriter:
    """Vorbis packs fields from the least significant bit of each byte up."""

    def __init__(self):
        self.value = 0
        self.count = 0

    def put(self, value, bits):
        self.value |= (value & ((1 << bits) - 1)) << self.count
        self.count += bits

    def bytes(self):
        return self.value.to_bytes((self.count + 7) // 8, "little")


class BitReader:
    def __init__(self, data):
        self.data = data
        self.position = 0  # in bits

    def get(self, bits):
        value = 0
        for i in range(bits):
            byte = self.data[self.position >> 3]
            value |= ((byte >> (self.position & 7)) & 1) << i
            self.position += 1
        return value


def vorbis_codebook_lengths(setup, book):
    """Bit position, within the setup packet, of the first codeword length of
    a codebook that lists every length (not ordered, not sparse)."""
    reader = BitReader(setup)
    reader.position = 7 * 8  # "\x05vorbis"
    count = reader.get(8) + 1
    assert book < count
    for index in range(book + 1):
        assert reader.get(24) == 0x564342  # the codebook sync pattern
        dimensions = reader.get(16)
        entries = reader.get(24)
        ordered = reader.get(1)
        if index == book:
            assert not ordered and not reader.get(1)
            return reader.position
        if ordered:
            reader.get(5)
            i = 0
            while i < entries:
                i += reader.get((entries - i).bit_length())
        else:
            sparse = reader.get(1)
            for _ in range(entries):
                if not sparse or reader.get(1):
                    reader.get(5)
        lookup = reader.get(4)
        if lookup:
            reader.get(64)  # minimum and delta
            value_bits = reader.get(4) + 1
            reader.get(1)
            if lookup == 1:  # the largest v with v^dimensions <= entries
                values = 1
                while (values + 1) ** dimensions <= entries:
                    values += 1
            else:
                values = entries * dimensions
            reader.get(values * value_bits)


# === RIFF and IFF =============================================================

def chunk(tag, body, big_endian=False):
    return tag + struct.pack(">I" if big_endian else "<I", len(body)) + body


def wav(fmt, *chunks):
    return chunk(b"RIFF", b"WAVE" + chunk(b"fmt ", fmt) + b"".join(chunks))


def extended(rate):
    """A whole positive number as an 80-bit IEEE 754 extended float."""
    exponent = rate.bit_length() - 1
    return struct.pack(">HQ", 16383 + exponent, rate << (63 - exponent))


# === The seeds ================================================================

def loop_tagged_flac():
    """48 kHz stereo 16-bit, 96,000 frames (2 s), tagged LOOPSTART=0 and
    LOOPEND=48000 as the flac tool writes tags. Frame n holds left
    (n mod 65536) - 32768, a ramp that FLAC's prediction takes to almost
    nothing, and right n div 65536 (0 below 65,536, then 1), so any frame
    is known from its samples: n = left + 32768 + 65536 * right. Playing
    from 1.5 s starts at frame 72,000: left 6464 - 32768 = -26304, right 1.
    A seek past LOOPEND while the music loops crashes the mixer's FLAC
    decoder in the copy from its write callback into its audio stream."""
    raw = b"".join(struct.pack("<hh", n % 65536 - 32768, n // 65536) for n in range(96000))
    return flac(raw, 48000, 2, 16, "--tag=LOOPSTART=0", "--tag=LOOPEND=48000")


def channels_claimed_flac():
    """A 44.1 kHz mono FLAC whose STREAMINFO says 2 channels (byte 20 from
    0x40 to 0x42): the mixer converts from stereo and its write callback
    reads a second channel that no frame decodes."""
    data = bytearray(flac(pcm(sine(11025, 44100, 440, 0.25), 2, 32767), 44100, 1, 16))
    # STREAMINFO byte 12: the rate's last 4 bits (4 of 44,100 = 0xAC44), the
    # channels less one (3 bits), the top bit of the sample size less one.
    assert data[20] == 0x40
    data[20] = 0x42
    return bytes(data)


def smpl_loops_wav():
    """An 8 kHz mono WAV whose 60-byte smpl chunk (its header and room for
    one loop) counts 100,000 loops: the loader walks them all, 24 bytes
    each, past the 60 bytes it read into memory."""
    fmt = struct.pack("<HHIIHH", 1, 1, 8000, 16000, 2, 16)
    samples = pcm(sine(2000, 8000, 440, 0.25), 2, 32767)
    # manufacturer, product, sample period (ns), MIDI note and fraction,
    # SMPTE format and offset, loop count, sampler data; then one forward
    # loop over the whole sound.
    smpl = struct.pack("<9I", 0, 0, 125000, 60, 0, 0, 0, 100000, 0) + struct.pack("<6I", 0, 0, 0, 1999, 0, 0)
    assert len(smpl) == 60
    return wav(fmt, chunk(b"data", samples), chunk(b"smpl", smpl))


def vorbis_chain_ogg():
    """Two Ogg Vorbis streams in a row, 0.5 s of 44.1 kHz stereo, then 0.5 s
    of mono; quality -1 gives both 4096-sample long blocks. At the link the
    mixer copies more bytes from its decode buffer than the buffer holds."""
    stereo = pcm(sine(22050, 44100, 440, 0.25), 2, 32767, channels=2)
    mono = pcm(sine(22050, 44100, 660, 0.25), 2, 32767)
    return vorbis(stereo, 44100, 2, -1, serial=1) + vorbis(mono, 44100, 1, -1, serial=2)


def opus_chain_opus():
    """Two Ogg Opus streams in a row, 0.5 s stereo, then 0.5 s mono, in
    60 ms frames; at the link the mixer reads past its buffer as with
    Vorbis."""
    stereo = pcm(sine(24000, 48000, 440, 0.25), 2, 32767, channels=2)
    mono = pcm(sine(24000, 48000, 660, 0.25), 2, 32767)
    return opus(stereo, 2, 60, serial=1) + opus(mono, 1, 60, serial=2)


def vorbis_setup_bit_ogg():
    """0.25 s of 8 kHz mono Ogg Vorbis with one bit of its setup header
    cleared, the page's checksum made right again: the first codeword of
    codebook 5 one bit shorter (4 to 3), so its lengths claim more codes
    than a tree holds (their Kraft sum is 17/16). The load succeeds and
    decoding fails from its start: the mixer's first seek ends in
    OV_EBADLINK, and a read after that error divides by zero in libvorbis."""
    data = bytearray(vorbis(pcm(sine(2000, 8000, 440, 0.25), 2, 32767), 8000, 1, 3, serial=3))
    setup = data.find(b"\x05vorbis")
    bit = vorbis_codebook_lengths(data[setup:], 5)
    reader = BitReader(data[setup:])
    reader.position = bit
    assert reader.get(5) == 4 - 1  # lengths are stored less one
    offset = setup + bit // 8
    data[offset] &= ~(1 << (bit % 8))
    return bytes(ogg_refresh_crc(data, offset))


def float64_8ch_wav():
    """8 kHz, 8 channels of IEEE 64-bit floats, 2,048 frames: one whole
    buffer of the mixer's WAV reader (128 KiB), whose conversion then reads
    8 bytes past the buffer's end. Fewer frames never fill the buffer, so
    the file cannot be smaller."""
    channels = 8
    waves = [sine(2048, 8000, 440 + 110 * c, 0.25) for c in range(channels)]
    samples = b"".join(struct.pack("<8d", *frame) for frame in zip(*waves))
    fmt = struct.pack("<HHIIHH", 3, channels, 8000, 8000 * 8 * channels, 8 * channels, 64)
    return wav(fmt, chunk(b"data", samples))


def fl64_aifc():
    """AIFF-C of 8 kHz mono big-endian 64-bit floats ("fl64"), 2,048 frames:
    one whole reader buffer, read 8 bytes past its end as the WAV above."""
    frames = 2048
    samples = b"".join(struct.pack(">d", v) for v in sine(frames, 8000, 440, 0.25))
    name = b"\x0enot compressed\x00"  # a Pascal string, padded to even length
    comm = struct.pack(">hIh", 1, frames, 64) + extended(8000) + b"fl64" + name
    body = (b"AIFC" + chunk(b"FVER", struct.pack(">I", 0xA2805140), True) + chunk(b"COMM", comm, True) +
            chunk(b"SSND", struct.pack(">II", 0, 0) + samples, True))
    return chunk(b"FORM", body, True)


def vorbis_codebooks_ogg():
    """3 KB of Ogg Vorbis (8 kHz mono headers) whose setup header declares
    256 codebooks of 8,388,607 entries each, every codeword 23 bits long in
    the ordered form (97 bits a book). libvorbis takes a byte per entry,
    2.1 GB in all, before the time section that should follow is missing
    and the load fails."""
    ident = b"\x01vorbis" + struct.pack("<IBIiiiBB", 0, 1, 8000, 0, 0, 0, 0xB8, 1)  # blocks 256 and 2048
    vendor = b"Velmara seed"
    comment = b"\x03vorbis" + struct.pack("<I", len(vendor)) + vendor + struct.pack("<I", 0) + b"\x01"
    books = BitWriter()
    books.put(256 - 1, 8)
    entries = (1 << 23) - 1
    for _ in range(256):
        books.put(0x564342, 24)  # sync
        books.put(1, 16)         # dimensions
        books.put(entries, 24)
        books.put(1, 1)          # ordered: runs of equal lengths
        books.put(23 - 1, 5)     # the first length
        books.put(entries, 23)   # all entries have it
        books.put(0, 4)          # no lookup table
    setup = b"\x05vorbis" + books.bytes()
    return ogg_page([ident], 0x02, 0, 7) + ogg_page([comment, setup], 0, 1, 7)


def eight_bit_flac():
    """8 kHz mono FLAC of 8-bit samples: the mixer takes 16-bit FLAC only;
    its seek to the start fails, and Mix_PlayMusic with it."""
    return flac(pcm(sine(2000, 8000, 440, 0.25), 1, 127), 8000, 1, 8)


def thirty_two_bit_flac():
    """8 kHz mono FLAC of 32-bit samples, refused like the 8-bit one."""
    return flac(pcm(sine(2000, 8000, 440, 0.25), 4, 2 ** 31 - 1), 8000, 1, 32)


def seektable_past_end_flac():
    """1 s of 8 kHz mono 16-bit FLAC in 1024-sample frames with seek points
    at samples 0, 2048, 4096 and 6144, every one moved past the end of the
    file: libFLAC's seek to the start fails, and with it Mix_PlayMusic."""
    data = bytearray(flac(pcm(sine(8000, 8000, 440, 0.25), 2, 32767), 8000, 1, 16,
                          "--blocksize=1024", "-S", "0", "-S", "2048", "-S", "4096", "-S", "6144"))
    body, length = flac_block(data, SEEKTABLE)
    for point in range(length // 18):  # sample (8), offset (8), samples (2)
        field = body + 18 * point + 8
        data[field:field + 8] = len(data).to_bytes(8, "big")  # counted from the first frame
    return bytes(data)


SEEDS = {
    "music-loop-tagged.flac": loop_tagged_flac,
    "music-channels-claimed.flac": channels_claimed_flac,
    "music-smpl-loops.wav": smpl_loops_wav,
    "music-vorbis-chain.ogg": vorbis_chain_ogg,
    "music-opus-chain.opus": opus_chain_opus,
    "music-vorbis-setup-bit.ogg": vorbis_setup_bit_ogg,
    "music-float64-8ch.wav": float64_8ch_wav,
    "music-fl64.aifc": fl64_aifc,
    "music-vorbis-codebooks.ogg": vorbis_codebooks_ogg,
    "music-8bit.flac": eight_bit_flac,
    "music-32bit.flac": thirty_two_bit_flac,
    "music-seektable-past-end.flac": seektable_past_end_flac,
}


def main(names):
    for name in names or SEEDS:
        if name not in SEEDS:
            sys.exit("no seed named %s; the seeds are:\n  %s" % (name, "\n  ".join(SEEDS)))
        data = SEEDS[name]()
        with open(os.path.join(MEDIA, name), "wb") as f:
            f.write(data)
        print("%-32s %7d bytes" % (name, len(data)))


if __name__ == "__main__":
    main(sys.argv[1:])
