// Writes the seed corpora of the harnesses: frames as the server builds them, envelopes
// sealed for the key in fuzz/data, the key files there, record files, field lists and
// configuration records in the forms the programs write them.
//
//   fuzz_make_seeds SOURCE-DIR    (writes SOURCE-DIR/fuzz/corpus/<harness>/<seed>)
#include <openssl/rand.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "server/envelope.h"
#include "server/frame_codec.h"
#include "server/public_key.h"
#include "server/session_cipher.h"
#include "server/session_key.h"

namespace {

using vkt::server::BuildFrame;

std::string root;

void Put(const std::string& harness, const std::string& seed, const std::string& bytes) {
    const std::string folder = root + "/fuzz/corpus/" + harness;
    ::mkdir((root + "/fuzz/corpus").c_str(), 0755);
    ::mkdir(folder.c_str(), 0755);
    std::ofstream out(folder + "/" + seed, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) {
        std::fprintf(stderr, "cannot write %s/%s\n", folder.c_str(), seed.c_str());
        std::exit(1);
    }
}

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (bytes.empty()) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        std::exit(1);
    }
    return bytes;
}

std::string Frame(char characteristic, char type, const std::string& data) {
    std::string bytes;
    if (!BuildFrame(characteristic, type, data, &bytes)) std::exit(1);
    return bytes;
}

// An envelope text for the key of fuzz/data, with a fresh session key of the cipher.
std::string Envelope(EVP_PKEY* key, int cipher) {
    std::vector<std::uint8_t> sessionKey;
    std::uint8_t vector[8];
    std::string text;
    if (!vkt::server::MakeSessionKey(cipher, &sessionKey) || RAND_bytes(vector, 8) != 1 ||
        !vkt::server::SealEnvelope(key, cipher, sessionKey, vector, &text))
        std::exit(1);
    return text;
}

// A sealed operation frame under a random key: what a client with another key sends.
std::string SealedFrame(char type, const std::string& plain) {
    std::vector<std::uint8_t> key;
    vkt::server::SessionCipher cipher;
    std::string sealed;
    if (!vkt::server::MakeSessionKey(102, &key) || !cipher.SetKey(102, key) ||
        !cipher.Seal(plain, &sealed))
        std::exit(1);
    return Frame('2', type, sealed);
}

// A record of a formatted file: type, file type, name, date, time, count, CR LF.
std::string Record(const char* type, char fileType, const char* count) {
    char record[39];
    std::snprintf(record, sizeof record, "%s%c%-10s%s%s%9s\r\n", type, fileType, "PAGOS",
                  "20260314", "092653", count);
    return record;
}

void FrameSeeds(EVP_PKEY* key) {
    const std::string envelope = Frame('1', '2', Envelope(key, 102));
    const std::string line = Frame('1', 'L', "0,8192");
    const std::string report = Frame('1', '9', "40007-Usuario desconocido");
    const std::string keepAlive = Frame('1', '0', "");
    // No cuts; then the same frames in pieces of 1, 3, 9 and 200 bytes.
    Put("frame_receive", "connect_reply", std::string(1, '\0') + envelope + line);
    Put("frame_receive", "connect_reply_cut",
        std::string("\x04\x00\x02\x08\xC7", 5) + envelope + line);
    Put("frame_receive", "keep_alive_report", std::string(1, '\0') + keepAlive + report);
    Put("frame_receive", "sealed_answer", std::string(1, '\0') + SealedFrame('O', "Importe,8,N"));
    Put("frame_receive", "truncated", std::string(1, '\0') + line.substr(0, line.size() - 3));

    const std::string connect = Frame('1', '1', "fuzz");
    const std::string followUp = Frame('1', 'Z', "");
    Put("server_session", "connect", connect + followUp + keepAlive + Frame('1', '8', ""));
    Put("server_session", "unknown_user", Frame('1', '1', "nadie") + followUp);
    Put("server_session", "password_failure", Frame('1', '9', "fuzz") + Frame('1', '8', ""));
    Put("server_session", "operations",
        connect + followUp + SealedFrame('Q', "pagos") + SealedFrame('F', "pagos,Pago"));
    Put("server_session", "before_key", SealedFrame('P', "pagos") + keepAlive);

    Put("envelope", "triple_des_2", Envelope(key, 102));
    Put("envelope", "triple_des_3", Envelope(key, 103));
    Put("envelope", "des", Envelope(key, 101));
}

void FileSeeds(const std::string& data) {
    const std::string plainKey = Read(data + "/fuzz.pri");
    const std::string protectedKey = Read(data + "/fuzz_password.pri");
    Put("key_file", "plain", std::string(1, '\x00') + plainKey);
    Put("key_file", "plain_digest_made", std::string(1, '\x02') + plainKey);
    Put("key_file", "password", std::string(1, '\x01') + protectedKey);
    Put("key_file", "password_digest_made", std::string(1, '\x03') + protectedKey);

    const std::string body = "0001;Pago de alquiler;000125\r\n0002;Luz;000040\r\n";
    Put("formatted_file", "type_a", Record("00", 'A', "2") + body + Record("99", 'A', "2"));
    Put("formatted_file", "type_b",
        Record("00", 'B', std::to_string(body.size()).c_str()) + body +
            Record("99", 'B', std::to_string(body.size()).c_str()));
    Put("formatted_file", "empty_body", Record("00", 'A', "0") + Record("99", 'A', "0"));

    Put("field_list", "numeric_and_text",
        std::string("Importe,8,N;Concepto,12", 23) + '\0' + "125");
    Put("field_list", "hidden", std::string("Clave,6,NM;Nota,0;", 18) + '\0' + " Pago ");
    Put("field_list", "unreadable", std::string("Importe;Concepto,40000", 22));

    Put("config_file", "record", "servidor.example,7000,30,ana,/home/ana/claves\n");
    Put("config_file", "no_key_folder", "127.0.0.1 , vkt , 0180 , ana\r\n\r\n");
    Put("config_file", "latin1", "servidor,7000,30,jos\xE9,/home/jos\xE9/claves,viejas\n");

    Put("hex_codec", "lower_hex", std::string("\x31\x04", 2) + "deadbeef");
    Put("hex_codec", "grouped_ebcdic", std::string("\x3F\x03", 2) + "\xF0\xC1\x40\xF9\x81\x40\xF2");
    Put("hex_codec", "base64", std::string("\x80\x05", 2) + "SG9sYSE=");
    Put("hex_codec", "raw", std::string("\x00\x03", 2) + "abc");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_make_seeds SOURCE-DIR\n");
        return 2;
    }
    root = argv[1];
    const std::string data = root + "/fuzz/data";
    vkt::server::PublicKey key = vkt::server::LoadPublicKey(data + "/fuzz.pub");
    if (!key) {
        std::fprintf(stderr, "no key in %s/fuzz.pub\n", data.c_str());
        return 1;
    }
    FrameSeeds(key.get());
    FileSeeds(data);
    return 0;
}
