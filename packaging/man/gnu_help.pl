#!/usr/bin/perl
# Rewrites a program's --help into the shape help2man reads, so that the manual pages are made
# from the programs' own help: "usage:" and the forms aligned under it become "Usage:" and
# "  or:" lines (one line per form, the note after a form dropped), and a heading such as
# "exit status:" becomes a section of the page.
use strict;
use warnings;

my @out;
my $in_synopsis = 0;
while (my $line = <STDIN>) {
  chomp $line;
  if ($. == 1 && $line =~ s/^usage: /Usage: /) {
    $in_synopsis = 1;
  } elsif ($in_synopsis && $line =~ /^ {7}(\S.*)$/) {
    $line = "  or:  $1";
  } elsif ($in_synopsis && $line =~ /^ {8,}(\[.*)$/) {
    $out[-1] .= " $1";    # a form wrapped onto the next line
    next;
  } else {
    $in_synopsis = 0;
  }
  $line =~ s/ {3,}\S.*$// if $in_synopsis;
  if (!$in_synopsis && $line =~ /^([a-z][a-z ]*):$/) {
    $line = $1 eq 'options' ? 'Options:' : '*' . ucfirst($1) . '*';
    push @out, '' if @out && $out[-1] ne '';    # help2man starts sections at a paragraph
  }
  push @out, $line;
}
print "$_\n" for @out;
