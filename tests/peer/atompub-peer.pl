#!/usr/bin/perl
# A small Atom Publishing Protocol server for the peer tests, built on Debian's
# Atompub::Server (libatompub-perl) and HTTP::Server::Simple.
#
#   perl atompub-peer.pl --data FOLDER [--user NAME] [--title TEXT]
#
# The password is read from the environment variable PEER_PASSWORD, so that it
# never shows in a process list. The server listens on a free loopback port and
# prints "atompub-peer ready on 127.0.0.1:PORT" once it accepts connections.
# Every request is logged to standard error (method, path, status), never its
# headers. Everything it stores lies in FOLDER:
#   entries/N.xml      the member entries of the blog collection
#   media/N.bin, N.xml the media resources and their media link entries
#   next-id            the next member number
#   fail-delete        while it exists, DELETE of an entry answers 500 with no
#                      body and deletes nothing (a server failing mid-way)
#
# Addresses (every one needs WSSE or Basic authentication):
#   GET  /atom                 service document: the blog and media collections
#   GET  /atom/blog            feed of the entries, newest first (?max-results=N)
#   POST /atom/blog            new entry: 201, Location, the entry as stored
#   GET|PUT|DELETE /atom/blog/N   one entry (its edit address)
#   GET  /atom/blog/categories categories document of the terms in use
#   POST /atom/media           new media resource (Slug names it): 201 + media link entry
#   GET|DELETE /atom/media/N   the media link entry; GET /atom/media/N.bin the bytes
use strict;
use warnings;

package PeerConfig;
our %Options = (user => 'peer-author', title => 'Peer Atom Blog', data => undef);
our $Password = $ENV{PEER_PASSWORD} // 'peer password';
our $Base = '';
our %SeenNonces;

package PeerAtom;
use base 'Atompub::Server';
use Digest::SHA qw(sha1_hex);
use File::Spec;
use XML::Atom::Content;
use XML::Atom::Entry;
use XML::Atom::Feed;
use XML::Atom::Link;
use XML::Atom::Person;
use XML::Atom::Category;
use XML::Atom::Service;
use XML::Atom::Workspace;
use XML::Atom::Collection;
use XML::Atom::Categories;
use Atompub::DateTime qw(datetime);

BEGIN { $XML::Atom::DefaultVersion = '1.0'; }

use constant NS_ATOM => 'http://www.w3.org/2005/Atom';
use constant NS_APP => 'http://www.w3.org/2007/app';

sub init {
    my ($server, @rest) = @_;
    $server->SUPER::init(@rest) or return;
    # Types are sent as given; the documents declare their own encoding.
    $server->{cgi}->charset('');
    return $server;
}

sub password_for_user {
    my ($server, $username) = @_;
    return $username eq $PeerConfig::Options{user} ? $PeerConfig::Password : undef;
}

# The library looks at "Authorization" first and gives up silently when it
# does not hold Basic credentials, so a client that sends WSSE together with
# "Authorization: WSSE profile=..." would never be checked. X-WSSE wins here.
sub get_auth_info {
    my ($server) = @_;
    my %param;
    if (my $wsse = $server->request_header('X-WSSE')) {
        $wsse =~ s/^\s*(?:WSSE|UsernameToken)\s+//;
        for my $pair (split /,\s*/, $wsse) {
            my ($key, $value) = split /=/, $pair, 2;
            next unless defined $value;
            $value =~ s/^"//;
            $value =~ s/"$//;
            $param{$key} = $value;
        }
        $server->{peer_nonce} = $param{Nonce};
        return \%param;
    }
    my $authorization = $server->request_header('Authorization') // '';
    if ($authorization =~ /^\s*Basic\s+(\S+)/) {
        require MIME::Base64;
        my ($userid, $password) = split /:/, MIME::Base64::decode($1), 2;
        return {userid => $userid, password => $password};
    }
    return $server->auth_failure(401, 'WSSE authentication required');
}

sub authenticate {
    my ($server) = @_;
    $server->SUPER::authenticate or return;
    # A nonce is good once: a replayed header is refused, as careful servers do.
    if (my $nonce = $server->{peer_nonce}) {
        return $server->auth_failure(403, 'Nonce already used') if $PeerConfig::SeenNonces{$nonce}++;
    }
    return 1;
}

# The library passes itself as the status (its first argument is never shifted
# off), so the answer's status line read "Atompub::Server=HASH(...)". Here the
# code and the message go where they belong.
sub auth_failure {
    my ($server, $code, $message) = @_;
    $server->response_header('WWW-Authenticate', 'WSSE realm="' . $PeerConfig::Options{title}
                                 . '", profile="UsernameToken"') if $code == 401;
    return $server->error($code, $message);
}

sub fail {
    my ($server, $code, $message) = @_;
    return $server->error($code, $message);
}

sub data_path { File::Spec->catfile($PeerConfig::Options{data}, @_) }

sub read_file {
    my ($path) = @_;
    open my $in, '<:raw', $path or return undef;
    local $/;
    my $bytes = <$in>;
    return $bytes;
}

sub write_file {
    my ($path, $bytes) = @_;
    my $temporary = "$path.new";
    open my $out, '>:raw', $temporary or die "Cannot write $temporary: $!";
    print {$out} $bytes;
    close $out or die "Cannot write $temporary: $!";
    rename $temporary, $path or die "Cannot rename $temporary: $!";
}

sub next_id {
    my $counter = data_path('next-id');
    my $id = read_file($counter) // 1;
    chomp $id;
    write_file($counter, ($id + 1) . "\n");
    return $id;
}

sub now { datetime(time)->w3cz }

sub entry_id { "tag:peer.invalid,2024:post-$_[0]" }
sub edit_address { "$PeerConfig::Base/atom/blog/$_[0]" }

sub handle_request {
    my ($server) = @_;
    my $method = $server->request_method;
    my $path = $server->path_info // '/';
    $server->authenticate or return;

    return $server->service_document if $path =~ m{^/atom/?$} && $method eq 'GET';
    if ($path =~ m{^/atom/blog/?$}) {
        return $server->feed if $method eq 'GET';
        return $server->new_entry if $method eq 'POST';
        return $server->fail(405, "$method is not allowed on the collection");
    }
    return $server->categories_document if $path eq '/atom/blog/categories' && $method eq 'GET';
    if ($path =~ m{^/atom/blog/(\d+)$}) {
        my $id = $1;
        return $server->fail(404, "There is no entry $id") unless -e data_path('entries', "$id.xml");
        return $server->get_entry($id) if $method eq 'GET';
        return $server->replace_entry($id) if $method eq 'PUT';
        return $server->delete_entry($id) if $method eq 'DELETE';
        return $server->fail(405, "$method is not allowed on an entry");
    }
    if ($path =~ m{^/atom/media/?$}) {
        return $server->new_media if $method eq 'POST';
        return $server->fail(405, "$method is not allowed on the media collection");
    }
    if ($path =~ m{^/atom/media/(\d+)(\.bin)?$}) {
        my ($id, $bytes) = ($1, $2);
        return $server->fail(404, "There is no media resource $id")
            unless -e data_path('media', "$id.xml");
        return $server->get_media($id, $bytes) if $method eq 'GET';
        return $server->delete_media($id) if $method eq 'DELETE' && !$bytes;
        return $server->fail(405, "$method is not allowed here");
    }
    return $server->fail(404, "Nothing is at $path");
}

sub answer {
    my ($server, $code, $type, $body) = @_;
    $server->response_code($code);
    $server->response_content_type($type);
    return $body;
}

sub parsed_body {
    my ($server) = @_;
    my $type = $server->request_header('Content-Type') // $ENV{CONTENT_TYPE} // '';
    return $server->fail(415, "An entry must be sent as application/atom+xml, not $type")
        unless $type =~ m{^application/atom\+xml}i;
    my $entry = eval { XML::Atom::Entry->new(Stream => \$server->request_content) };
    return $server->fail(400, 'The entry is not a well-formed Atom entry: '
                             . ($@ || XML::Atom::Entry->errstr || 'unknown error')) unless $entry;
    return $entry;
}

sub element_text {
    my ($entry, $namespace, $name) = @_;
    my ($node) = $entry->elem->getChildrenByTagNameNS($namespace, $name);
    return $node ? $node->textContent : undef;
}

sub remove_elements {
    my ($entry, $namespace, $name) = @_;
    $_->parentNode->removeChild($_) for $entry->elem->getChildrenByTagNameNS($namespace, $name);
}

# The server's own elements of a member: id, links, author, dates.
sub complete_entry {
    my ($server, $entry, $id, $published) = @_;
    my $now = now();
    remove_elements($entry, NS_ATOM, $_) for qw(id link);
    $entry->id(entry_id($id));
    my $edit = XML::Atom::Link->new;
    $edit->rel('edit');
    $edit->href(edit_address($id));
    $entry->add_link($edit);
    my $alternate = XML::Atom::Link->new;
    $alternate->rel('alternate');
    $alternate->type('text/html');
    $alternate->href("$PeerConfig::Base/blog/$id");
    $entry->add_link($alternate);
    unless ($entry->author) {
        my $author = XML::Atom::Person->new;
        $author->name($PeerConfig::Options{user});
        $entry->author($author);
    }
    # A client that states only "updated" has its date kept as the publication date.
    my $client_updated = element_text($entry, NS_ATOM, 'updated');
    $published //= element_text($entry, NS_ATOM, 'published') // $client_updated // $now;
    remove_elements($entry, NS_ATOM, 'published');
    $entry->published($published);
    $entry->updated($now) unless defined $client_updated;
    remove_elements($entry, NS_APP, 'edited');
    my $edited = $entry->elem->ownerDocument->createElementNS(NS_APP, 'app:edited');
    $edited->appendText($now);
    $entry->elem->appendChild($edited);
    return $entry;
}

sub store_entry {
    my ($id, $entry) = @_;
    write_file(data_path('entries', "$id.xml"), $entry->as_xml);
}

sub load_entry {
    my ($id) = @_;
    my $bytes = read_file(data_path('entries', "$id.xml"));
    return defined $bytes ? XML::Atom::Entry->new(Stream => \$bytes) : undef;
}

sub entry_answer {
    my ($server, $code, $id, $entry) = @_;
    $server->response_header(ETag => '"' . sha1_hex($entry->as_xml) . '"');
    return $server->answer($code, 'application/atom+xml;type=entry', $entry->as_xml);
}

sub new_entry {
    my ($server) = @_;
    my $entry = $server->parsed_body or return;
    my $id = next_id();
    $server->complete_entry($entry, $id);
    store_entry($id, $entry);
    $server->response_header(Location => edit_address($id));
    $server->response_header('Content-Location' => edit_address($id));
    return $server->entry_answer(201, $id, $entry);
}

sub get_entry {
    my ($server, $id) = @_;
    return $server->entry_answer(200, $id, load_entry($id));
}

sub replace_entry {
    my ($server, $id) = @_;
    my $entry = $server->parsed_body or return;
    my $stored = load_entry($id);
    $server->complete_entry($entry, $id, element_text($stored, NS_ATOM, 'published'));
    store_entry($id, $entry);
    return $server->entry_answer(200, $id, $entry);
}

sub delete_entry {
    my ($server, $id) = @_;
    return $server->answer(500, 'text/plain', '') if -e data_path('fail-delete');
    unlink data_path('entries', "$id.xml") or return $server->fail(500, "Cannot delete: $!");
    return $server->answer(200, 'text/plain', '');
}

sub entry_numbers {
    my ($folder) = @_;
    opendir my $dir, data_path($folder) or return ();
    my @numbers = sort { $b <=> $a } map { /^(\d+)\.xml$/ ? $1 : () } readdir $dir;
    return @numbers;
}

sub feed {
    my ($server) = @_;
    my $limit = 0;
    $limit = $1 if ($ENV{QUERY_STRING} // '') =~ /(?:^|&)max-results=(\d+)/;
    my $feed = XML::Atom::Feed->new(Version => '1.0');
    $feed->title($PeerConfig::Options{title});
    $feed->id('tag:peer.invalid,2024:blog');
    $feed->updated(now());
    my $self = XML::Atom::Link->new;
    $self->rel('self');
    $self->href("$PeerConfig::Base/atom/blog");
    $feed->add_link($self);
    my $alternate = XML::Atom::Link->new;
    $alternate->rel('alternate');
    $alternate->type('text/html');
    $alternate->title($PeerConfig::Options{title});
    $alternate->href("$PeerConfig::Base/blog/");
    $feed->add_link($alternate);
    my @numbers = entry_numbers('entries');
    splice @numbers, $limit if $limit && @numbers > $limit;
    $feed->add_entry(load_entry($_)) for @numbers;
    return $server->answer(200, 'application/atom+xml;type=feed', $feed->as_xml);
}

sub service_document {
    my ($server) = @_;
    my $service = XML::Atom::Service->new;
    my $workspace = XML::Atom::Workspace->new;
    $workspace->title($PeerConfig::Options{title});
    my $blog = XML::Atom::Collection->new;
    $blog->href("$PeerConfig::Base/atom/blog");
    $blog->title($PeerConfig::Options{title});
    $blog->accept('application/atom+xml;type=entry');
    my $categories = XML::Atom::Categories->new;
    $categories->href("$PeerConfig::Base/atom/blog/categories");
    $blog->categories($categories);
    $workspace->add_collection($blog);
    my $media = XML::Atom::Collection->new;
    $media->href("$PeerConfig::Base/atom/media");
    $media->title("$PeerConfig::Options{title} media");
    $media->accept('image/*', 'application/octet-stream');
    $workspace->add_collection($media);
    $service->add_workspace($workspace);
    return $server->answer(200, 'application/atomsvc+xml', $service->as_xml);
}

sub categories_document {
    my ($server) = @_;
    my %terms;
    for my $id (entry_numbers('entries')) {
        $terms{$_->term} = 1 for grep { defined $_->term } load_entry($id)->categories;
    }
    my $categories = XML::Atom::Categories->new;
    $categories->fixed('no');
    for my $term (sort keys %terms) {
        my $category = XML::Atom::Category->new;
        $category->term($term);
        $categories->add_category($category);
    }
    return $server->answer(200, 'application/atomcat+xml', $categories->as_xml);
}

sub new_media {
    my ($server) = @_;
    my $type = $server->request_header('Content-Type') // $ENV{CONTENT_TYPE} // 'application/octet-stream';
    return $server->fail(415, 'Entries go to the blog collection') if $type =~ m{^application/atom\+xml}i;
    my $id = next_id();
    my $name = $server->request_header('Slug') // "media-$id";
    $name =~ s/%([0-9A-Fa-f]{2})/chr(hex($1))/eg;
    write_file(data_path('media', "$id.bin"), $server->request_content // '');
    my $entry = XML::Atom::Entry->new(Version => '1.0');
    $entry->title($name);
    $entry->id("tag:peer.invalid,2024:media-$id");
    $entry->updated(now());
    my $content = XML::Atom::Content->new(Version => '1.0');
    $content->type($type);
    $content->src("$PeerConfig::Base/atom/media/$id.bin");
    $entry->content($content);
    # Older Atom clients read the address of the upload from media:content.
    my $media = $entry->elem->ownerDocument->createElementNS('http://search.yahoo.com/mrss/',
                                                             'media:content');
    $media->setAttribute(url => "$PeerConfig::Base/atom/media/$id.bin");
    $media->setAttribute(type => $type);
    $entry->elem->appendChild($media);
    for my $link (['edit', "$PeerConfig::Base/atom/media/$id"],
                  ['edit-media', "$PeerConfig::Base/atom/media/$id.bin"]) {
        my $element = XML::Atom::Link->new;
        $element->rel($link->[0]);
        $element->href($link->[1]);
        $entry->add_link($element);
    }
    write_file(data_path('media', "$id.xml"), $entry->as_xml);
    write_file(data_path('media', "$id.type"), $type);
    $server->response_header(Location => "$PeerConfig::Base/atom/media/$id");
    return $server->answer(201, 'application/atom+xml;type=entry', $entry->as_xml);
}

sub get_media {
    my ($server, $id, $bytes) = @_;
    return $server->answer(200, read_file(data_path('media', "$id.type")),
                           read_file(data_path('media', "$id.bin"))) if $bytes;
    return $server->answer(200, 'application/atom+xml;type=entry',
                           read_file(data_path('media', "$id.xml")));
}

sub delete_media {
    my ($server, $id) = @_;
    unlink map { data_path('media', "$id.$_") } qw(bin xml type);
    return $server->answer(200, 'text/plain', '');
}

sub show_error {
    my ($server, $error) = @_;
    $error =~ s/ at \S+ line \d+\.?\s*$//;
    $server->response_code(500) unless $server->response_code;
    $server->response_content_type('application/xml');
    return $server->SUPER::show_error($error);
}

package PeerHttp;
use base 'HTTP::Server::Simple::CGI';
use HTTP::Status qw(status_message);
use Socket qw(sockaddr_in);

sub print_banner {
    my ($self) = @_;
    my ($port) = sockaddr_in(getsockname(\*HTTP::Server::Simple::HTTPDaemon));
    $self->port($port);
    $PeerConfig::Base = "http://127.0.0.1:$port";
    print STDOUT "atompub-peer ready on 127.0.0.1:$port\n";
    STDOUT->flush;
}

# Runs the Atompub server as the CGI program it was written for and turns
# its CGI answer into an HTTP/1.1 one with a proper status line and length.
sub handler {
    my ($self) = @_;
    $ENV{SERVER_NAME} = '127.0.0.1';
    $ENV{SERVER_PORT} = $self->port;
    my $output = '';
    open my $capture, '>:raw', \$output or die "Cannot capture: $!";
    my $previous = select $capture;
    my $ok = eval { PeerAtom->new->run; 1 };
    my $error = $@;
    select $previous;
    close $capture;

    my ($head, $body) = split /\r?\n\r?\n/, $output, 2;
    $body //= '';
    my $status = 500;
    my @headers;
    if ($ok) {
        for my $line (split /\r?\n/, $head // '') {
            my ($name, $value) = split /:\s*/, $line, 2;
            next unless defined $value;
            if (lc $name eq 'status') {
                ($status) = $value =~ /^(\d{3})/;
                $status //= 500;
            } else {
                push @headers, "$name: $value";
            }
        }
    } else {
        $body = "The peer failed: $error";
        @headers = ('Content-Type: text/plain');
    }
    utf8::encode($body) if utf8::is_utf8($body);
    my $reason = status_message($status) // 'Unknown';
    print STDERR "$ENV{REQUEST_METHOD} $ENV{PATH_INFO}"
        . ($ENV{QUERY_STRING} ? "?$ENV{QUERY_STRING}" : '') . " -> $status\n";
    print "HTTP/1.1 $status $reason\r\n", map({ "$_\r\n" } @headers),
        'Content-Length: ' . length($body) . "\r\n", "Connection: close\r\n\r\n", $body;
}

package main;
use Getopt::Long;
use File::Path qw(make_path);

GetOptions('data=s' => \$PeerConfig::Options{data}, 'user=s' => \$PeerConfig::Options{user},
           'title=s' => \$PeerConfig::Options{title})
    or die "usage: $0 --data FOLDER [--user NAME] [--title TEXT]\n";
die "--data is required\n" unless $PeerConfig::Options{data};
make_path(map { "$PeerConfig::Options{data}/$_" } qw(entries media));
$| = 1;
my $server = PeerHttp->new;
$server->port(0); # any free port; print_banner tells which
$server->host('127.0.0.1');
$server->run;
