#!/usr/bin/perl
# Reads Textile text on standard input and writes its HTML on standard output,
# both UTF-8. Uses Debian's Text::Textile (libtext-textile-perl).
use strict;
use warnings;
use Text::Textile;

binmode STDIN,  ':encoding(UTF-8)';
binmode STDOUT, ':encoding(UTF-8)';

local $/;
my $source = <STDIN>;
$source = '' unless defined $source;

my $textile = Text::Textile->new;
$textile->charset('utf-8');
print $textile->process($source);
