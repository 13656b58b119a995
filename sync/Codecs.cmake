# Wire codecs: XML-RPC encoder and decoder, Atom decoder, discovery parsers,
# and the masking of what the network console shows.
target_sources(plumet_sync PRIVATE
  AtomDecoder.cpp
  AtomText.cpp
  ConsoleMasking.cpp
  DecodeResult.cpp
  GenericParser.cpp
  HTMLTagScanner.cpp
  RSD.cpp
  XMLRPCDates.cpp
  XMLRPCDecoder.cpp
  XMLRPCEncoder.cpp
  XmlEscaping.cpp
  XmlNode.cpp
  XmlTreeReader.cpp)
target_link_libraries(plumet_sync PUBLIC RVUtilities)
