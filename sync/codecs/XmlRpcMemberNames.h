// The struct member names of an XML-RPC answer as the program stores them.
#pragma once

#include <QString>
#include <string>
#include <string_view>
#include <vector>

// Member names as they will be stored: the names other parts of the program
// look up are folded to lower case, whatever case the server wrote them in;
// the rest stay as written. The same few names repeat in every struct of an
// answer: each is made once and shared.
class XmlRpcMemberNames {
public:
    // The stored name for the member name's UTF-8 bytes.
    QString get(std::string_view bytes);

private:
    static QString folded(std::string_view bytes);

    struct Known {
        std::string bytes;
        QString name;
    };
    std::vector<Known> m_known; // at most 64
};
