#include "platform/images.h"

#include <sys/stat.h>

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "core/services.h"
#include "platform/metafichier.h"
#include "platform/orientation_exif.h"

namespace {

[[noreturn]] void echec(const std::string& chemin, const std::string& raison) {
    throw Erreur("l'image " + chemin + " n'a pas pu être chargée : " + raison);
}

struct GestionErreurs {
    jpeg_error_mgr pub;
    std::jmp_buf saut;
    char message[JMSG_LENGTH_MAX];
};

void sortieErreur(j_common_ptr cinfo) {
    auto* g = reinterpret_cast<GestionErreurs*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, g->message);
    std::longjmp(g->saut, 1);
}

void messageIgnore(j_common_ptr) {}

// libjpeg words its errors in English; the user is told in French what kind of fault it was.
std::string raisonJpeg(int code) {
    switch (code) {
        case JERR_NO_SOI:
        case JERR_INPUT_EMPTY:
        case JERR_NO_IMAGE: return "ce n'est pas une image JPEG valide";
        case JERR_OUT_OF_MEMORY: return "mémoire insuffisante";
        case JERR_SOF_UNSUPPORTED:
        case JERR_NOT_COMPILED:
        case JERR_ARITH_NOTIMPL:
        case JERR_CCIR601_NOTIMPL: return "ce type de JPEG n'est pas pris en charge";
        default: return "le fichier JPEG est tronqué ou endommagé";
    }
}

// The decoder state lives outside the function that calls setjmp, so that nothing with a
// destructor is skipped by the jump.
struct Decodeur {
    jpeg_decompress_struct cinfo{};
    GestionErreurs err{};
    bool cree = false;
    QImage img;
    std::vector<unsigned char> ligneCmjn;
    ~Decodeur() {
        if (cree) jpeg_destroy_decompress(&cinfo);
    }
};

bool decoder(Decodeur& d, const QByteArray& octets, QSize cible, QImage& image, std::string& raison) {
    d.cinfo.err = jpeg_std_error(&d.err.pub);
    d.err.pub.error_exit = sortieErreur;
    d.err.pub.output_message = messageIgnore;
    if (setjmp(d.err.saut)) {
        raison = raisonJpeg(d.err.pub.msg_code);
        return false;
    }
    jpeg_create_decompress(&d.cinfo);
    d.cree = true;
    d.cinfo.mem->max_memory_to_use = 512L * 1024 * 1024;
    jpeg_mem_src(&d.cinfo, reinterpret_cast<const unsigned char*>(octets.constData()),
                 static_cast<unsigned long>(octets.size()));
    jpeg_read_header(&d.cinfo, TRUE);
    const long long pixels = static_cast<long long>(d.cinfo.image_width) * d.cinfo.image_height;
    if (pixels > kPixelsMax) {
        raison = "l'image est trop grande (" + std::to_string(d.cinfo.image_width) + " × " +
                 std::to_string(d.cinfo.image_height) + " pixels)";
        return false;
    }
    // The smallest scale that still covers the target in both directions.
    d.cinfo.scale_num = 8;
    d.cinfo.scale_denom = 8;
    if (cible.isValid()) {
        for (unsigned num = 1; num <= 8; ++num) {
            if (d.cinfo.image_width * num >= static_cast<unsigned>(cible.width()) * 8 &&
                d.cinfo.image_height * num >= static_cast<unsigned>(cible.height()) * 8) {
                d.cinfo.scale_num = num;
                break;
            }
        }
    }
    d.cinfo.out_color_space = JCS_EXT_RGBX;
    if (d.cinfo.jpeg_color_space == JCS_CMYK || d.cinfo.jpeg_color_space == JCS_YCCK) {
        d.cinfo.out_color_space = JCS_CMYK;
    }
    jpeg_start_decompress(&d.cinfo);
    const bool cmjn = d.cinfo.out_color_space == JCS_CMYK;
    QImage& img = d.img;
    img = QImage(static_cast<int>(d.cinfo.output_width), static_cast<int>(d.cinfo.output_height),
                 QImage::Format_RGBX8888);
    if (img.isNull()) {
        raison = "mémoire insuffisante";
        return false;
    }
    std::vector<unsigned char>& ligneCmjn = d.ligneCmjn;
    ligneCmjn.resize(cmjn ? d.cinfo.output_width * 4u : 0u);
    while (d.cinfo.output_scanline < d.cinfo.output_height) {
        unsigned char* dest = img.scanLine(static_cast<int>(d.cinfo.output_scanline));
        JSAMPROW ligne = cmjn ? ligneCmjn.data() : dest;
        jpeg_read_scanlines(&d.cinfo, &ligne, 1);
        // CMYK JPEG files store inverted inks (the usual convention of their writers).
        for (std::size_t x = 0; cmjn && x < d.cinfo.output_width; ++x) {
            const unsigned char* p = &ligneCmjn[x * 4];
            dest[x * 4 + 0] = static_cast<unsigned char>(p[0] * p[3] / 255);
            dest[x * 4 + 1] = static_cast<unsigned char>(p[1] * p[3] / 255);
            dest[x * 4 + 2] = static_cast<unsigned char>(p[2] * p[3] / 255);
            dest[x * 4 + 3] = 255;
        }
    }
    // A truncated file only raises warnings and leaves grey lines: it is an error here.
    if (d.err.pub.num_warnings > 0) {
        raison = "le fichier JPEG est tronqué ou endommagé";
        return false;
    }
    jpeg_finish_decompress(&d.cinfo);
    image = img;
    return true;
}

QImage lireAvecQt(const std::string& chemin, const QByteArray& octets, const char* format) {
    QBuffer tampon;
    tampon.setData(octets);
    tampon.open(QIODevice::ReadOnly);
    QImageReader lecteur(&tampon, format);
    const QSize taille = lecteur.size();
    if (taille.isValid() && static_cast<long long>(taille.width()) * taille.height() > kPixelsMax) {
        echec(chemin, "l'image est trop grande");
    }
    QImage image = lecteur.read();
    if (image.isNull()) echec(chemin, "ce n'est pas une image " + std::string(format) + " valide");
    return image;
}

}  // namespace

QImage decoderJpeg(const QByteArray& octets, QSize cible) {
    // A phone photo is stored as the sensor saw it: it is decoded at a scale that covers the
    // target once turned, then turned upright, so that every place that draws it (frame,
    // preview, printed pages, exports) shows what a photo viewer shows.
    const int orientation = orientationExif(octets);
    if (echangeLesCotes(orientation)) cible.transpose();
    Decodeur d;
    QImage image;
    std::string raison;
    if (!decoder(d, octets, cible, image, raison)) throw Erreur(raison);
    return redresser(image, orientation);
}

std::unique_ptr<QFile> ouvrirImage(const std::string& chemin) {
    const QString nom = QFile::decodeName(QByteArray::fromStdString(chemin));
    const QString ext = QFileInfo(nom).suffix().toLower();
    if (ext != QLatin1String("jpg") && ext != QLatin1String("jpeg") && ext != QLatin1String("bmp") &&
        ext != QLatin1String("ico") && !estMetafichier(chemin) && !estFormatAjoute(chemin)) {
        echec(chemin, "l'extension ." + ext.toStdString() + " n'est pas un format d'image connu");
    }
    struct stat st;
    if (stat(chemin.c_str(), &st) != 0) echec(chemin, "le fichier est introuvable");
    if (!S_ISREG(st.st_mode)) echec(chemin, "ce n'est pas un fichier ordinaire");
    if (st.st_size > 512LL * 1024 * 1024) echec(chemin, "le fichier est trop gros");
    auto f = std::make_unique<QFile>(nom);
    if (!f->open(QIODevice::ReadOnly)) echec(chemin, "le fichier ne peut pas être lu");
    return f;
}

bool estFormatAjoute(const std::string& chemin) {
    const std::string ext =
        QFileInfo(QFile::decodeName(QByteArray::fromStdString(chemin))).suffix().toLower().toStdString();
    for (const char* e : {"png", "gif", "webp", "tif", "tiff", "heic", "heif", "avif"}) {
        if (ext == e) return true;
    }
    return false;
}

bool estFormatHeif(const std::string& chemin) {
    const std::string ext =
        QFileInfo(QFile::decodeName(QByteArray::fromStdString(chemin))).suffix().toLower().toStdString();
    return ext == "heic" || ext == "heif" || ext == "avif";
}

bool estMetafichier(const std::string& chemin) {
    const QString ext = QFileInfo(QFile::decodeName(QByteArray::fromStdString(chemin))).suffix().toLower();
    return ext == QLatin1String("wmf") || ext == QLatin1String("emf");
}

QImage decoderImage(const std::string& chemin, QFile& fichier, QSize cible) {
    const QString ext = QFileInfo(fichier.fileName()).suffix().toLower();
    const QByteArray octets = fichier.readAll();
    if (estMetafichier(chemin)) {
        try {
            return rendreMetafichier(octets, ext == QLatin1String("wmf") ? FormatMetafichier::Wmf
                                                                         : FormatMetafichier::Emf,
                                     cible);
        } catch (const Erreur& e) {
            echec(chemin, e.what());
        }
    }
    if (estFormatAjoute(chemin)) {
        // Large decoders fed with files from anywhere: in the confined program, like metafiles.
        try {
            return rendreImageAjoutee(octets, ext.toStdString(), cible);
        } catch (const Erreur& e) {
            echec(chemin, e.what());
        }
    }
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg")) {
        try {
            return decoderJpeg(octets, cible);
        } catch (const Erreur& e) {
            echec(chemin, e.what());
        }
    }
    return lireAvecQt(chemin, octets, ext == QLatin1String("bmp") ? "bmp" : "ico");
}

QImage chargerImage(const std::string& chemin, QSize cible) {
    const std::unique_ptr<QFile> fichier = ouvrirImage(chemin);
    return decoderImage(chemin, *fichier, cible);
}

QString filtreImages() {
    // The card file's own formats first, as they always were; the added ones after them.
    return QStringLiteral(
        "Toutes les images|*.jpg;*.jpeg;*.bmp;*.ico;*.wmf;*.emf;*.png;*.gif;*.webp;*.tif;*.tiff;"
        "*.heic;*.heif;*.avif|Images JPEG|*.jpg;*.jpeg|"
        "Bitmaps|*.bmp|Icônes|*.ico|Métafichiers|*.wmf;*.emf|Images PNG|*.png|Images GIF|*.gif|"
        "Images WebP|*.webp|Images TIFF|*.tif;*.tiff|Images HEIC et AVIF|*.heic;*.heif;*.avif");
}
