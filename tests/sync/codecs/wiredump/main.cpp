// wiredump: decodes one server document from standard input and prints it as JSON.
//   wiredump xmlrpc|atom|rsd|head < document
// A refused or unparsable document prints the error text and exits with 1.
#include "WireDump.h"

#include <QFile>
#include <cstdio>

int main(int argc, char** argv)
{
    QFile input;
    if (argc != 2 || !input.open(stdin, QIODevice::ReadOnly)) {
        std::fputs("usage: wiredump xmlrpc|atom|rsd|head < document\n", stderr);
        return 2;
    }
    const WireDump::Output output = WireDump::run(argv[1], input.readAll());
    std::FILE* stream = output.exitCode == 0 ? stdout : stderr;
    std::fwrite(output.text.constData(), 1, size_t(output.text.size()), stream);
    return output.exitCode;
}
