#pragma once

#include <QString>
#include <QUrl>

class QWebEnginePage;
class QWebEngineProfile;
class WebContentSchemeHandler;

// The shared ground of every web view of plumet (the entry preview, the
// comparison window, the rich editor, the find panel's targets).
//
// Pages are served from memory through one custom URL scheme, never with
// QWebEnginePage::setHtml (which fails above 2 MB). The scheme is registered
// by a start-up routine of this library when the application object is made,
// before any web engine class exists, as QWebEngineUrlScheme requires; a
// program needs no step of its own.
namespace WebContent {

// "plumet-content": the scheme our documents are served under.
QString schemeName();

// The profile every view of ours uses (off the record: no cookies or cache on
// disk), with the scheme's handler installed. Main thread only.
QWebEngineProfile* profile();
// The handler of that profile, which keeps the documents being shown.
WebContentSchemeHandler* schemeHandler();

// The policy given to post content: no script of its own, no plug-ins.
QString contentSecurityPolicy();

// `html` with the charset declaration and, for post content, the policy as a
// <meta> element placed before anything of the content (after a leading
// doctype), where the content can neither precede nor loosen it. A base
// address that is http or https follows as a <base> element, ahead of any
// the content brings (the first one counts); any other base is left out.
// Without `allowFrames` the policy lets no frame load.
QByteArray preparedDocument(const QString& html, bool isPostContent, const QUrl& baseUrl = {},
                            bool allowFrames = true);

// Whether `url` may serve as a document's base address: http or https with a host.
bool isUsableBase(const QUrl& url);

// The folder of the spelling dictionaries the engine reads (.bdic files made
// from hunspell's when plumet is built). The start-up routine points the
// engine at ours: share/plumet/qtwebengine_dictionaries beside an installed
// program, or qtwebengine_dictionaries at the top of a build tree; a folder
// the user named in QTWEBENGINE_DICTIONARIES_PATH wins. Empty when there is
// none.
QString spellingDictionaryFolder();

// Has the editable pages of our views checked with the converted dictionary
// `code` (a hunspell code such as "en_US") while `enabled`, or checks nothing.
// False, and nothing is checked, when that dictionary was not converted.
bool setSpellChecking(bool enabled, const QString& code);

// Where downloads of our views go by default: the user's download folder
// (XDG), made when missing.
QString downloadFolder();

// Nothing downloads on its own (a post that frames a file, a link the engine
// cannot show): the engine's download requests are refused unless the user
// asked for this one, by a gesture and a save dialog, and it is expected
// here. The next download `page` starts within a minute is saved at `path`
// (a download link often redirects, so its final address may differ).
void expectDownload(QWebEnginePage* page, const QUrl& url, const QString& path);

} // namespace WebContent
