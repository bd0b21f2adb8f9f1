partition_none,fileopt,everything,disable,mp3,enable,jpg,enable,zip,enable,txt,enable,riff,enable,mov,enable,wholespace,search
