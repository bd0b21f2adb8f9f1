partition_none,fileopt,everything,disable,riff,enable,aif,enable,mp3,enable,flac,enable,ogg,enable,mov,enable,wholespace,search
