#pragma once

// Every channel converter, in the order the sample-rate converter creates them: that order
// decides which of two candidates serves a call (the first that fits). The class definitions,
// the nested declarations, the creation and the tests all read these lists, so a converter is
// added or moved here alone.
//
// ORXA_RULE_CHANNEL_CONVERTERS: X(class, source channels, target channels, acmod), each with a
// rule of its own (acmod -1 serves any layout of that channel count).
//
// The names of the two 4 -> 6 converters do not follow their acmod: C4ChannelTo6ChannelConverter
// carries acmod 5 (L R C S: the surround is spread to both surround outputs), while the one named
// ...Acmod6 carries -1 and so serves every other 4-channel layout, acmod 6's L R SL SR among them
// (the name tells the layout it was written for). Being created first, the -1 one would win for
// acmod 5 too if selection did not prefer an exact acmod over -1.
#define ORXA_RULE_CHANNEL_CONVERTERS(X)                                                            \
    X(CMonoToMonoConverter, 1, 1, -1)                                                              \
    X(CMonoToStereoConverter, 1, 2, -1)                                                            \
    X(CMonoTo3ChannelConverter, 1, 3, -1)                                                          \
    X(CMonoTo6ChannelConverter, 1, 6, -1)                                                          \
    X(CStereoToMonoConverter, 2, 1, -1)                                                            \
    X(CStereoToStereoConverter, 2, 2, -1)                                                          \
    X(CStereoTo3ChannelConverter, 2, 3, -1)                                                        \
    X(CStereoTo6ChannelConverter, 2, 6, -1)                                                        \
    X(C3ChannelToMonoConverter, 3, 1, -1)                                                          \
    X(C3ChannelToStereoConverter, 3, 2, -1)                                                        \
    X(C3ChannelTo3ChannelConverter, 3, 3, -1)                                                      \
    X(C3ChannelTo6ChannelConverterAcmod4, 3, 6, 4)                                                 \
    X(C3ChannelTo6ChannelConverter, 3, 6, -1)                                                      \
    X(C4ChannelToStereoConverterAcmod5, 4, 2, 5)                                                   \
    X(C4ChannelToStereoConverter, 4, 2, -1)                                                        \
    X(C4ChannelTo4ChannelConverter, 4, 4, -1)                                                      \
    X(C4ChannelTo6ChannelConverterAcmod6, 4, 6, -1)                                                \
    X(C4ChannelTo6ChannelConverter, 4, 6, 5)                                                       \
    X(C5ChannelToStereoConverter, 5, 2, -1)                                                        \
    X(C5ChannelTo5ChannelConverter, 5, 5, -1)                                                      \
    X(C5ChannelTo6Converter, 5, 6, -1)                                                             \
    X(C6ChannelToMonoConverter, 6, 1, -1)                                                          \
    X(C6ChannelToStereoConverter, 6, 2, -1)                                                        \
    X(C6ChannelTo3ChannelConverter, 6, 3, -1)                                                      \
    X(C6ChannelTo6ChannelConverter, 6, 6, -1)                                                      \
    X(C8ChannelToStereoConverter, 8, 2, -1)                                                        \
    X(C8ChannelTo6ChannelConverter, 8, 6, -1)

// ORXA_LAYOUT_MIX_CHANNEL_CONVERTERS: X(class, source channels, target channels), the pairs of
// counts 1 to 8 that the list above leaves out, each mixed by the layout roles of its channels.
#define ORXA_LAYOUT_MIX_CHANNEL_CONVERTERS(X)                                                      \
    X(CMonoTo4ChannelConverter, 1, 4)                                                              \
    X(CMonoTo5ChannelConverter, 1, 5)                                                              \
    X(CMonoTo7ChannelConverter, 1, 7)                                                              \
    X(CMonoTo8ChannelConverter, 1, 8)                                                              \
    X(CStereoTo4ChannelConverter, 2, 4)                                                            \
    X(CStereoTo5ChannelConverter, 2, 5)                                                            \
    X(CStereoTo7ChannelConverter, 2, 7)                                                            \
    X(CStereoTo8ChannelConverter, 2, 8)                                                            \
    X(C3ChannelTo4ChannelConverter, 3, 4)                                                          \
    X(C3ChannelTo5ChannelConverter, 3, 5)                                                          \
    X(C3ChannelTo7ChannelConverter, 3, 7)                                                          \
    X(C3ChannelTo8ChannelConverter, 3, 8)                                                          \
    X(C4ChannelToMonoConverter, 4, 1)                                                              \
    X(C4ChannelTo3ChannelConverter, 4, 3)                                                          \
    X(C4ChannelTo5ChannelConverter, 4, 5)                                                          \
    X(C4ChannelTo7ChannelConverter, 4, 7)                                                          \
    X(C4ChannelTo8ChannelConverter, 4, 8)                                                          \
    X(C5ChannelToMonoConverter, 5, 1)                                                              \
    X(C5ChannelTo3ChannelConverter, 5, 3)                                                          \
    X(C5ChannelTo4ChannelConverter, 5, 4)                                                          \
    X(C5ChannelTo7ChannelConverter, 5, 7)                                                          \
    X(C5ChannelTo8ChannelConverter, 5, 8)                                                          \
    X(C6ChannelTo4ChannelConverter, 6, 4)                                                          \
    X(C6ChannelTo5ChannelConverter, 6, 5)                                                          \
    X(C6ChannelTo7ChannelConverter, 6, 7)                                                          \
    X(C6ChannelTo8ChannelConverter, 6, 8)                                                          \
    X(C7ChannelToMonoConverter, 7, 1)                                                              \
    X(C7ChannelToStereoConverter, 7, 2)                                                            \
    X(C7ChannelTo3ChannelConverter, 7, 3)                                                          \
    X(C7ChannelTo4ChannelConverter, 7, 4)                                                          \
    X(C7ChannelTo5ChannelConverter, 7, 5)                                                          \
    X(C7ChannelTo6ChannelConverter, 7, 6)                                                          \
    X(C7ChannelTo7ChannelConverter, 7, 7)                                                          \
    X(C7ChannelTo8ChannelConverter, 7, 8)                                                          \
    X(C8ChannelToMonoConverter, 8, 1)                                                              \
    X(C8ChannelTo3ChannelConverter, 8, 3)                                                          \
    X(C8ChannelTo4ChannelConverter, 8, 4)                                                          \
    X(C8ChannelTo5ChannelConverter, 8, 5)                                                          \
    X(C8ChannelTo7ChannelConverter, 8, 7)                                                          \
    X(C8ChannelTo8ChannelConverter, 8, 8)
