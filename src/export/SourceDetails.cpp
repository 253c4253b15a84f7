#include "export/SourceDetails.h"

#include "basics/Formatting.h"

#include <QByteArrayView>
#include <QtEndian>

#include <webp/mux.h>
#include <zlib.h>

#include <cmath>
#include <memory>

namespace SourceDetails {
namespace {

// ---- XMP ----------------------------------------------------------------

// `text` as XML character data. The five special characters are escaped
// wherever they stand (a file name may hold any of them); a bare carriage
// return would be read back as a line feed, so it is written as a reference.
// XML 1.0 cannot carry the other control characters or U+FFFE/U+FFFF at
// all, not even as references, and Linux file names may hold them: they
// become U+FFFD, which keeps the packet well-formed for every reader.
QString xmlText(const QString &text)
{
    QString out;
    out.reserve(text.size() + 16);
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        switch (u) {
        case u'&': out += u"&amp;"; break;
        case u'<': out += u"&lt;"; break;
        case u'>': out += u"&gt;"; break;
        case u'"': out += u"&quot;"; break;
        case u'\'': out += u"&apos;"; break;
        case u'\r': out += u"&#13;"; break;
        default:
            if ((u < 0x20 && u != u'\t' && u != u'\n') || u == 0xFFFE || u == 0xFFFF)
                out += QChar(QChar::ReplacementCharacter);
            else
                out += c;
        }
    }
    return out;
}

// Seconds with three decimals and a dot whatever the user's locale: the
// value is for programs, which expect one format.
QString secondsText(double time)
{
    return QString::number(std::isfinite(time) && time > 0 ? time : 0.0, 'f', 3);
}

// ---- JPEG ---------------------------------------------------------------

// The signature that tells XMP apart from Exif in an APP1 segment, with its
// terminating NUL.
constexpr QByteArrayView jpegXmpSignature("http://ns.adobe.com/xap/1.0/\0", 29);
// The largest packet XMP allows in one APP1 segment, whose 16-bit length
// also covers the length field and the signature.
constexpr qsizetype maxJpegPacket = 65502;

bool isJpeg(const QByteArray &file)
{
    return file.startsWith("\xFF\xD8\xFF");
}

// Where the APP1 goes: after SOI and a JFIF APP0 right behind it, which
// readers expect first. None when the segments up to the start of the scan
// do not fit in the file (damaged or cut off).
std::optional<qsizetype> jpegInsertPosition(const QByteArray &file)
{
    const auto *bytes = reinterpret_cast<const uchar *>(file.constData());
    const qsizetype size = file.size();
    qsizetype at = 2; // past SOI
    std::optional<qsizetype> insert;
    for (;;) {
        if (at + 4 > size || bytes[at] != 0xFF)
            return std::nullopt;
        const uchar marker = bytes[at + 1];
        // Before the scan every segment has a length; SOI, EOI, RST and TEM
        // (or fill bytes) here mean a file we do not understand.
        if (marker == 0xFF || marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD9))
            return std::nullopt;
        const qsizetype length = qFromBigEndian<quint16>(bytes + at + 2);
        if (length < 2 || at + 2 + length > size)
            return std::nullopt;
        if (!insert)
            insert = marker == 0xE0 ? at + 2 + length : at;
        if (marker == 0xDA) // start of scan: entropy-coded data follows
            return insert;
        at += 2 + length;
    }
}

std::optional<QByteArray> embedJpeg(const QByteArray &file, const QByteArray &packet)
{
    if (packet.size() > maxJpegPacket)
        return std::nullopt;
    const std::optional<qsizetype> position = jpegInsertPosition(file);
    if (!position)
        return std::nullopt;
    QByteArray segment;
    segment.reserve(4 + jpegXmpSignature.size() + packet.size());
    segment.append("\xFF\xE1", 2);
    const quint16 length = qToBigEndian(quint16(2 + jpegXmpSignature.size() + packet.size()));
    segment.append(reinterpret_cast<const char *>(&length), 2);
    segment.append(jpegXmpSignature);
    segment.append(packet);

    QByteArray out = file;
    out.insert(*position, segment);
    return out;
}

// ---- PNG ----------------------------------------------------------------

constexpr QByteArrayView pngSignature("\x89PNG\r\n\x1A\n", 8);
constexpr qsizetype pngChunkOverhead = 12; // length, type, CRC
constexpr qsizetype ihdrLength = 13;

// The CRC-32 of PNG chunks is zlib's.
quint32 chunkCrc(QByteArrayView bytes)
{
    return quint32(::crc32(::crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef *>(bytes.data()), uInt(bytes.size())));
}

void appendBig32(QByteArray &out, quint32 value)
{
    const quint32 big = qToBigEndian(value);
    out.append(reinterpret_cast<const char *>(&big), 4);
}

// A whole chunk: length, `typeAndData` (the type's four letters, then the
// data) and the CRC over them.
QByteArray pngChunk(const QByteArray &typeAndData)
{
    QByteArray chunk;
    chunk.reserve(pngChunkOverhead + typeAndData.size());
    appendBig32(chunk, quint32(typeAndData.size() - 4));
    chunk.append(typeAndData);
    appendBig32(chunk, chunkCrc(typeAndData));
    return chunk;
}

// A text chunk: tEXt when the text is printable Latin-1 (the one text chunk
// every PNG reader shows, ImageMagick's identify among them), else an
// uncompressed iTXt without language tag or translated keyword, since file
// names are often not Latin-1.
QByteArray textChunk(QByteArrayView keyword, const QString &text)
{
    const bool latin1 = std::all_of(text.begin(), text.end(), [](QChar c) {
        return (c.unicode() >= 0x20 && c.unicode() < 0x7f) || (c.unicode() >= 0xa0 && c.unicode() <= 0xff);
    });
    QByteArray typeAndData(latin1 ? "tEXt" : "iTXt");
    typeAndData.append(keyword);
    // Keyword end; for iTXt also compression flag and method, empty
    // language tag, empty translated keyword.
    typeAndData.append("\0\0\0\0\0", latin1 ? 1 : 5);
    typeAndData.append(latin1 ? text.toLatin1() : text.toUtf8());
    return pngChunk(typeAndData);
}

// The packet always goes in iTXt, as XMP readers look for it.
QByteArray xmpChunk(const QByteArray &packet)
{
    QByteArray typeAndData("iTXt");
    typeAndData.append("XML:com.adobe.xmp");
    typeAndData.append("\0\0\0\0\0", 5);
    typeAndData.append(packet);
    return pngChunk(typeAndData);
}

// True when `file` is a sequence of whole chunks from IHDR (first, as PNG
// requires) to IEND.
bool isWholePng(const QByteArray &file)
{
    if (!file.startsWith(pngSignature))
        return false;
    const auto *bytes = reinterpret_cast<const uchar *>(file.constData());
    const qsizetype size = file.size();
    for (qsizetype at = pngSignature.size();;) {
        if (at + pngChunkOverhead > size)
            return false;
        const quint32 length = qFromBigEndian<quint32>(bytes + at);
        const QByteArrayView type(file.constData() + at + 4, 4);
        if (length > 0x7FFFFFFFu || qsizetype(length) > size - at - pngChunkOverhead)
            return false;
        if (at == pngSignature.size() && (type != "IHDR" || length != ihdrLength))
            return false;
        if (type == "IEND")
            return true;
        at += pngChunkOverhead + qsizetype(length);
    }
}

std::optional<QByteArray> embedPng(const QByteArray &file, const Details &details, const QByteArray &packet)
{
    if (!isWholePng(file))
        return std::nullopt;
    // Right after IHDR: readers that stop at the image data still find them.
    const QByteArray chunks = xmpChunk(packet) + textChunk("Software", details.software)
        + textChunk("Description", description(details));
    QByteArray out = file;
    out.insert(pngSignature.size() + pngChunkOverhead + ihdrLength, chunks);
    return out;
}

// ---- WebP ---------------------------------------------------------------

bool isWebp(const QByteArray &file)
{
    return file.size() >= 12 && file.startsWith("RIFF") && QByteArrayView(file).sliced(8, 4) == "WEBP";
}

struct MuxDelete {
    void operator()(WebPMux *mux) const { WebPMuxDelete(mux); }
};

// Owns what WebPMuxAssemble() allocates.
class AssembledData {
public:
    AssembledData() { WebPDataInit(&m_data); }
    AssembledData(const AssembledData &) = delete;
    AssembledData &operator=(const AssembledData &) = delete;
    ~AssembledData() { WebPDataClear(&m_data); }
    WebPData *get() { return &m_data; }

private:
    WebPData m_data;
};

std::optional<QByteArray> embedWebp(const QByteArray &file, const QByteArray &packet)
{
    // The mux validates the RIFF structure and, for a simple file, adds the
    // VP8X header with the XMP flag that readers look for. Nothing is
    // copied into it: `file` and `packet` outlive it.
    const WebPData input{reinterpret_cast<const uint8_t *>(file.constData()), size_t(file.size())};
    const std::unique_ptr<WebPMux, MuxDelete> mux(WebPMuxCreate(&input, 0));
    if (!mux)
        return std::nullopt;
    const WebPData xmp{reinterpret_cast<const uint8_t *>(packet.constData()), size_t(packet.size())};
    if (WebPMuxSetChunk(mux.get(), "XMP ", &xmp, 0) != WEBP_MUX_OK)
        return std::nullopt;
    AssembledData assembled;
    if (WebPMuxAssemble(mux.get(), assembled.get()) != WEBP_MUX_OK)
        return std::nullopt;
    return QByteArray(reinterpret_cast<const char *>(assembled.get()->bytes), qsizetype(assembled.get()->size));
}

} // namespace

QString description(const Details &details)
{
    // Fixed English, like every other field: the file outlives the language
    // the program ran in, and other programs read it too.
    QString text = QStringLiteral("%1, %2").arg(details.videoFileName, formatPreciseTime(details.time));
    if (details.frame)
        text += QStringLiteral(", frame ") + QString::number(*details.frame);
    return text;
}

QByteArray xmpPacket(const Details &details)
{
    const QString file = xmlText(details.videoFileName);
    QString xml;
    // The begin attribute holds U+FEFF, the byte order mark that tells a
    // scanner the packet's encoding; the id is the fixed one XMP defines.
    xml += u"<?xpacket begin=\"\uFEFF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
           u"<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
           u" <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
           u"  <rdf:Description rdf:about=\"\"\n"
           u"    xmlns:dc=\"http://purl.org/dc/elements/1.1/\"\n"
           u"    xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\"\n"
           u"    xmlns:framelark=\"https://framelark.app/ns/source/1.0/\">\n";
    // One simple property a line: `text` is already XML character data.
    const auto property = [&xml](QStringView name, const QString &text) {
        xml += u"   <";
        xml += name;
        xml += u'>';
        xml += text;
        xml += u"</";
        xml += name;
        xml += u">\n";
    };
    property(u"dc:source", file);
    xml += u"   <dc:description>\n"
           u"    <rdf:Alt>\n"
           u"     <rdf:li xml:lang=\"x-default\">";
    xml += xmlText(description(details));
    xml += u"</rdf:li>\n"
           u"    </rdf:Alt>\n"
           u"   </dc:description>\n";
    property(u"xmp:CreatorTool", xmlText(details.software));
    property(u"framelark:SourceFile", file);
    property(u"framelark:SourceTime", secondsText(details.time));
    if (details.frame)
        property(u"framelark:SourceFrame", QString::number(*details.frame));
    xml += u"  </rdf:Description>\n"
           u" </rdf:RDF>\n"
           u"</x:xmpmeta>\n";
    QByteArray packet = xml.toUtf8();
    // An even length: a WebP chunk of odd size is padded with a zero byte,
    // which some readers take as part of the packet and then reject. The
    // padding whitespace is what XMP packets allow here.
    if ((packet.size() + 19) % 2 != 0)
        packet += ' ';
    return packet + "<?xpacket end=\"w\"?>";
}

std::optional<QByteArray> embed(const QByteArray &file, const Details &details)
{
    if (isJpeg(file))
        return embedJpeg(file, xmpPacket(details));
    if (file.startsWith(pngSignature))
        return embedPng(file, details, xmpPacket(details));
    if (isWebp(file))
        return embedWebp(file, xmpPacket(details));
    return std::nullopt;
}

} // namespace SourceDetails
