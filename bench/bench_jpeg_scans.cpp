// Decoding a JPEG as a texture load does (the image check, then SDL_image's
// JPEG decoder), for the files that size the check's scan budget: the
// yardstick, a colour 4:2:0 progressive JPEG of 8192 x 8192 with the 10
// scans cjpeg -progressive writes; what common encoders write otherwise
// (colour 4:4:4, as ImageMagick at quality 90 and above, and grey with its
// 6 scans); and the slowest pictures the check lets through, whose 10 scans
// each cover all four components of a CMYK picture at full resolution, in
// Huffman and in arithmetic coding, at 8192 x 8192 and at 8 x 16384, where
// the check allows 5120 scans. The 3,006-scan grey file that took a minute
// to decode is refused by the check alone.
//
// Each picture is encoded once, in memory, with libjpeg: one flat colour,
// as from a flat PPM, so that the time is the scans' passes over the
// picture; or a colour ramp with a 64-pixel checker, whose coefficients add
// bytes that each cost their own decoding, scans or not. The label gives
// the scans, the size of the file and the check's verdict.
//
// Measured here (one core of the development machine, medians of 3): the
// yardstick 0.50 s flat and 0.52 s with the checker; colour 4:4:4 0.83 s,
// grey 0.44 s; the slowest that loads, CMYK's 10 DC scans, 1.35 s in either
// coding (2.7 times the yardstick) and 1.92 s with 9 MB of checker in
// arithmetic coding; 5120 scans of 8 x 16384 0.36 s; the 3,006-scan file's
// refusal 0.4 ms.
//   ./velmara_bench --benchmark_filter=JPEG --benchmark_repetitions=3
#include <SDL.h>
#include <SDL_image.h>
#include <benchmark/benchmark.h>

#include <cstdio>  // jpeglib.h uses FILE without including it
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "ImageCheck.h"

namespace {

struct Picture {
    int width;
    int height;
    int components;      // 1 grey, 3 colour, 4 CMYK
    bool subsampled;     // 4:2:0 chroma, else every component at full size
    bool dc_scans_only;  // one scan of the DC of all components, repeated
    bool arithmetic;     // arithmetic coding instead of Huffman
    int scans_more;      // copies of the last scan before EOI
    bool checker;        // a colour ramp with a 64-pixel checker, else one flat colour
};

// The JPEG with its last scan (its SOS and data) repeated before EOI; the
// tables defined before it stay in force.
std::string WithScansMore(const std::string& jpeg, int count) {
    size_t sos = jpeg.rfind("\xFF\xDA");
    std::string scan = jpeg.substr(sos, jpeg.size() - 2 - sos);
    std::string out = jpeg.substr(0, jpeg.size() - 2);
    for (int i = 0; i < count; ++i) out += scan;
    return out + "\xFF\xD9";
}

std::string Encode(const Picture& picture) {
    jpeg_compress_struct encoder;
    jpeg_error_mgr errors;
    encoder.err = jpeg_std_error(&errors);
    jpeg_create_compress(&encoder);
    unsigned char* bytes = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&encoder, &bytes, &size);
    encoder.image_width = JDIMENSION(picture.width);
    encoder.image_height = JDIMENSION(picture.height);
    encoder.input_components = picture.components;
    encoder.in_color_space = picture.components == 1 ? JCS_GRAYSCALE : picture.components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&encoder);
    for (int i = 0; i < encoder.num_components; ++i) {
        int factor = picture.subsampled && i == 0 ? 2 : 1;
        encoder.comp_info[i].h_samp_factor = factor;
        encoder.comp_info[i].v_samp_factor = factor;
    }
    jpeg_simple_progression(&encoder);
    jpeg_scan_info dc_scan = {};
    if (picture.dc_scans_only) {
        dc_scan.comps_in_scan = picture.components;
        for (int i = 0; i < picture.components; ++i) dc_scan.component_index[i] = i;
        encoder.scan_info = &dc_scan;
        encoder.num_scans = 1;
    }
    encoder.arith_code = picture.arithmetic ? TRUE : FALSE;
    jpeg_start_compress(&encoder, TRUE);
    std::vector<JSAMPLE> row(size_t(picture.width) * size_t(picture.components));
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            int checker = ((x >> 6) ^ (y >> 6)) & 1 ? 48 : 0;
            for (int c = 0; c < picture.components; ++c) {
                int ramp = picture.checker ? (c & 1 ? x : y) * 160 / 8192 + checker : 0;
                row[size_t(x) * size_t(picture.components) + size_t(c)] = JSAMPLE(60 + c * 30 + ramp);
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&encoder, rows, 1);
    }
    jpeg_finish_compress(&encoder);
    std::string jpeg(reinterpret_cast<const char*>(bytes), size);
    std::free(bytes);
    jpeg_destroy_compress(&encoder);
    return picture.scans_more > 0 ? WithScansMore(jpeg, picture.scans_more) : jpeg;
}

void BM_JPEGLoad(benchmark::State& state, Picture picture) {
    const std::string jpeg = Encode(picture);
    ImageClaim claim;
    std::string reason;
    bool passes = CheckImage(jpeg.data(), jpeg.size(), 16384, &claim, &reason);
    for (auto _ : state) {
        ImageClaim checked;
        if (!CheckImage(jpeg.data(), jpeg.size(), 16384, &checked, nullptr)) continue;
        SDL_RWops* stream = SDL_RWFromConstMem(jpeg.data(), int(jpeg.size()));
        SDL_Surface* image = IMG_LoadJPG_RW(stream);
        SDL_RWclose(stream);
        if (image == nullptr) {
            state.SkipWithError(IMG_GetError());
            break;
        }
        SDL_FreeSurface(image);
    }
    char label[160];
    if (passes) {
        std::snprintf(label, sizeof label, "%lld scans, %.0f KB; loads", static_cast<long long>(claim.scans),
                      jpeg.size() / 1e3);
    } else {
        std::snprintf(label, sizeof label, "%.0f KB; %s", jpeg.size() / 1e3, reason.c_str());
    }
    state.SetLabel(label);
}

// width, height, components, subsampled, DC scans only, arithmetic, scans more, checker
BENCHMARK_CAPTURE(BM_JPEGLoad, Colour420_10Scans_8192, Picture{8192, 8192, 3, true, false, false, 0, false});
BENCHMARK_CAPTURE(BM_JPEGLoad, Colour420_10Scans_8192_Checker, Picture{8192, 8192, 3, true, false, false, 0, true});
BENCHMARK_CAPTURE(BM_JPEGLoad, Colour444_10Scans_8192, Picture{8192, 8192, 3, false, false, false, 0, false});
BENCHMARK_CAPTURE(BM_JPEGLoad, Grey_6Scans_8192, Picture{8192, 8192, 1, false, false, false, 0, false});
BENCHMARK_CAPTURE(BM_JPEGLoad, CMYK_10DCScans_8192, Picture{8192, 8192, 4, false, true, false, 9, false});
BENCHMARK_CAPTURE(BM_JPEGLoad, CMYK_10DCScans_8192_Arithmetic, Picture{8192, 8192, 4, false, true, true, 9, false});
BENCHMARK_CAPTURE(BM_JPEGLoad, CMYK_10DCScans_8192_Arithmetic_Checker,
                  Picture{8192, 8192, 4, false, true, true, 9, true});
BENCHMARK_CAPTURE(BM_JPEGLoad, CMYK_5120DCScans_8x16384, Picture{8, 16384, 4, false, true, false, 5119, false});
BENCHMARK_CAPTURE(BM_JPEGLoad, Grey_3006Scans_8192_Refused, Picture{8192, 8192, 1, false, false, false, 3000, false});

}  // namespace
