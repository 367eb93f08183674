// Fuzz target: arbitrary bytes read as a comma-separated text file, as the
// import does: encoding judged, separator judged, sampled, and read to the
// end. Every record must be read with the reader always moving forward, and
// the reader must end exactly at the end of the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "transfer/CsvReader.h"
#include "transfer/TextFile.h"

using namespace brindle::transfer;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (int forced = -1; forced < 2; ++forced) {
        std::optional<TextEncoding> enc;
        if (forced == 0) enc = TextEncoding::Utf8;
        if (forced == 1) enc = TextEncoding::Windows1252;
        const DecodedText text = decodeText(bytes, enc);
        if (!isValidUtf8(text.utf8)) std::abort();
        CsvOptions options;
        options.headerLine = forced == 0;
        const CsvSample sample = sampleCsv(text, options);
        if (sample.columnCount() > CsvSample::kMaxColumns) std::abort();
        for (char sep : {sample.separator, ';', '\t'}) {
            CsvReader reader(text.utf8, sep);
            std::vector<std::string> fields;
            std::size_t last = 0;
            std::size_t records = 0;
            while (reader.next(fields)) {
                if (reader.position() <= last && records > 0) std::abort();
                if (fields.empty()) std::abort();
                last = reader.position();
                ++records;
                for (const auto& f : fields) (void)flattenLineBreaks(f);
            }
            if (reader.position() < reader.size()) std::abort();
        }
    }
    return 0;
}
